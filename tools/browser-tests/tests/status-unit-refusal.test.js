// A unit's field on the status page that would split the unit's entry in the settings file (an
// address holding ",", a location holding "=") is refused by name when saved, and the settings
// file stays as it was: the appliance is not lost.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { startHost, launchBrowser, artifactPath } = require('../lib/zephra-host');

const INI = 'Config/dkvZephraUtilities.ini';

test('a unit field that would break its entry is refused in the browser', async () => {
  const host = await startHost({
    names: ['127.0.0.9="Kitchen,,A3,B4"'],
    more: ['[STATUS]', 'ShowControl=True', 'ShowSetup=True', 'ShowReceiveMessages=True', 'ShowStatus=2'],
  });
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    await page.goto(host.url('/status'));
    const before = fs.readFileSync(path.join(host.appDir, INI));
    for (const [field, value, refusal] of [
      ['IP0', '127.0.0.9,127.0.0.10', "Nothing was saved: IP of unit 1 (Kitchen) cannot hold ','."],
      ['Location0', 'Kit=chen', "Nothing was saved: Location of unit 1 cannot hold '='."],
    ]) {
      await page.goto(host.url('/status'));
      await page.fill(`input[name='${field}']`, value);
      await Promise.all([page.waitForNavigation(), page.click("input[name='Save']")]);
      const text = await page.textContent('body');
      assert.ok(text.includes(refusal), `${field}: the page does not say "${refusal}"`);
      assert.ok(fs.readFileSync(path.join(host.appDir, INI)).equals(before), `${field}: the settings file changed`);
    }
    await page.screenshot({ path: artifactPath('status-unit-refusal.png'), fullPage: true });
    assert.strictEqual(await host.ask('ZephraNames'), 'kitchen');
  } finally {
    await browser.close();
    await host.stop();
  }
});
