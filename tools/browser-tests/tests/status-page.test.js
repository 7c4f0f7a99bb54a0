// The plug-in's status and setup page in Chromium: every input belongs to the form "control",
// sorting twice reverses the table, a drop-down's choice reaches the host, a save of the
// unchanged page leaves the settings file as it was, awkward values survive a save, the
// script button posts into the hidden frame, and the appliance's browser gets its own cells.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { startHost, launchBrowser, artifactPath } = require('../lib/zephra-host');

const INI = 'Config/dkvZephraUtilities.ini';

async function names(page) {
  return page.$$eval('select.formdropdown', (selects) =>
    selects.map((s) => s.closest('tr').children[3].textContent));
}

test('the status page is worked in a real browser', async () => {
  const host = await startHost({
    names: ["127.0.0.9=\"Kit'chen,,A3,B4\""],
    more: ['[STATUS]', 'ShowControl=True', 'ShowSetup=True', 'ShowReceiveMessages=True', 'ShowStatus=2'],
  });
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    const status = host.url('/status');
    await page.goto(status);

    // Every input and drop-down is in the form "control", but the two buttons' own forms.
    const owners = await page.$$eval('input, select', (all) =>
      all.filter((e) => e.type !== 'hidden' || e.form.name === 'control').map((e) => e.form && e.form.name));
    assert.ok(owners.length > 150, `${owners.length} inputs`);
    assert.deepStrictEqual([...new Set(owners)].sort(), ['control', 'no redraw', 'redraw']);
    assert.strictEqual(owners.filter((o) => o !== 'control').length, 2);
    await page.screenshot({ path: artifactPath('status-page.png'), fullPage: true });

    // Sorting by name twice reverses the rows.
    await Promise.all([page.waitForNavigation(), page.click("input[name='Name']")]);
    const ascending = await names(page);
    assert.ok(ascending.length >= 10, ascending.join(','));
    await Promise.all([page.waitForNavigation(), page.click("input[name='Name']")]);
    assert.deepStrictEqual(await names(page), [...ascending].reverse());

    // A value chosen in the drop-down of the "Awake" device reaches the host as a value change.
    const awake = page.locator('tr', { hasText: "Kit'chen Awake" }).locator('select');
    const field = await awake.getAttribute('name');
    const code = String.fromCharCode(parseInt(field.slice(1, 3), 16)) + field.slice(3);
    const labels = await awake.locator('option').allTextContents();
    assert.ok(labels.length > 2, labels.join(','));
    await Promise.all([page.waitForNavigation(), awake.selectOption({ label: labels[2] })]);
    assert.strictEqual(await host.ask(`hs.DeviceValue("${code}")`), '1');

    // The unchanged page saved twice: the second save leaves the settings file byte for byte.
    const save = async () => Promise.all([page.waitForNavigation(), page.click("input[name='Save']")]);
    await save();
    const stored = fs.readFileSync(path.join(host.appDir, INI));
    await save();
    assert.ok(fs.readFileSync(path.join(host.appDir, INI)).equals(stored), 'the settings file changed');

    // Awkward values and an unticked box survive a save and a reload.
    await page.fill("input[name='WindowsShare']", "\\\\srv\\bob's share");
    // (not the prefix's default "NAME =": a field left as shown is not written)
    await page.fill("input[name='CIDNamePrefix']", 'NAM =');
    await page.fill("input[name='LinksFile']", 'a&b=c');
    await page.uncheck("input[name='jpg']");
    await save();
    await page.goto(status);
    assert.strictEqual(await page.inputValue("input[name='WindowsShare']"), "\\\\srv\\bob's share");
    assert.strictEqual(await page.inputValue("input[name='CIDNamePrefix']"), 'NAM =');
    assert.strictEqual(await page.inputValue("input[name='LinksFile']"), 'a&b=c');
    assert.strictEqual(await page.isChecked("input[name='jpg']"), false);
    const ini = fs.readFileSync(path.join(host.appDir, INI), 'latin1');
    assert.match(ini, /CIDNamePrefix=NAM =\r\n/);

    // The script button posts into the hidden frame; the page itself stays.
    const url = page.url();
    const posted = page.waitForRequest((r) => r.method() === 'POST' && r.frame().name() === 'hiddenframe');
    await page.click("input[name='script']");
    assert.match((await posted).postData(), /script=/);
    assert.strictEqual(page.url(), url);

    // The appliance's own browser gets the frame's simple cells.
    const appliance = await browser.newPage({ userAgent: 'Mozilla/5.0 (QNX) Zephra' });
    await appliance.goto(status);
    assert.strictEqual(await appliance.$$eval('td.TABLEHEADER, td.TABLEROWODD', (c) => c.length), 0);
    assert.ok((await appliance.$$eval('td[bgcolor] font', (c) => c.length)) > 50);
    assert.ok((await page.$$eval('td.TABLEROWODD', (c) => c.length)) > 50);
    assert.ok(await appliance.$('select.formdropdown'));
    await appliance.screenshot({ path: artifactPath('status-page-appliance.png'), fullPage: true });
  } finally {
    await browser.close();
    await host.stop();
  }
});
