// An appliance's top LED switched from the status page's device table: the choice travels from
// Chromium through the plug-in to the appliance, whose stand-in logs the request.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const { startHost, startAppliances, launchBrowser, artifactPath, WAIT } = require('../lib/zephra-host');

test("an appliance's LED is switched from the device table", async () => {
  const sim = await startAppliances(['kitchen']);
  const address = sim.http.kitchen;
  const host = await startHost({
    names: [`${address.split(':')[0]}/${address}="Kitchen"`],
    more: ['[STATUS]', 'ShowControl=True', 'ShowSetup=False', 'ShowReceiveMessages=False'],
  });
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    await page.goto(host.url('/status'));
    const led = page.locator('tr', { hasText: 'Kitchen Top LED' }).locator('select');
    const labels = (await led.locator('option').allTextContents()).slice(1);
    const on = labels.find((l) => /^on$/i.test(l.trim())) || labels[1];
    await Promise.all([page.waitForNavigation(), led.selectOption({ label: on })]);
    const deadline = Date.now() + WAIT;
    while (!/led\.shtml\?t1 ok topled=on/.test(sim.log()) && Date.now() < deadline)
      await new Promise((r) => setTimeout(r, 50));
    assert.match(sim.log(), /kitchen \/led\.shtml\?t1 ok topled=on/, `options ${labels.join('|')}\n${sim.log()}`);
    await page.screenshot({ path: artifactPath('status-led.png'), fullPage: true });
  } finally {
    await browser.close();
    await host.stop();
    await sim.stop();
  }
});
