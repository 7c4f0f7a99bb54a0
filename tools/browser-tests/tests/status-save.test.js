// Saves of the status page in Chromium against settings that change meanwhile: the page shows
// what the file holds when it is drawn, a save writes only the fields the user changed (a
// script's change made after the page was drawn stays), a refused save draws the page again
// with what the user typed and the message beside the field, and the corrected save stores
// every edit.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { startHost, launchBrowser, artifactPath } = require('../lib/zephra-host');

const INI = 'Config/dkvZephraUtilities.ini';

const save = (page) => Promise.all([page.waitForNavigation(), page.click("input[name='Save']")]);

test('a save keeps changes made elsewhere and a refused one keeps the user\'s edits', async () => {
  const host = await startHost({
    settings: ['PushDelay="5"', 'FontColor="red"'],
    names: ['127.0.0.9="Den,,,,0,0,"'],
    more: ['[STATUS]', 'ShowControl=False', 'ShowSetup=True', 'ShowReceiveMessages=True', 'ShowStatus=2'],
  });
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    const status = host.url('/status');
    await page.goto(status);
    assert.strictEqual(await page.inputValue("input[name='PushDelay']"), '5');
    const ini = () => fs.readFileSync(path.join(host.appDir, INI), 'latin1');

    // A script stores a value: the page drawn next shows it.
    await host.run('hs.SaveINISetting "Zephra Utilities", "PushDelay", """7""", "dkvZephraUtilities.ini"');
    await page.goto(status);
    assert.strictEqual(await page.inputValue("input[name='PushDelay']"), '7');

    // Changed by a script after the page was drawn, then the user saves another field.
    await host.run('hs.SaveINISetting "Zephra Utilities", "FontColor", """#102030""", "dkvZephraUtilities.ini"');
    await page.fill("input[name='SleepInterval']", '3');
    await save(page);
    assert.match(ini(), /FontColor="#102030"\r\n/);
    assert.match(ini(), /PushDelay="7"\r\n/);
    assert.match(ini(), /SleepMonitorInterval=3\r\n/);
    assert.strictEqual(await page.inputValue("input[name='FontColor']"), '#102030');

    // Many edits and one value the file cannot hold: nothing is stored, nothing typed is lost.
    const before = ini();
    const edits = {
      PushDelay: '8', FontColor: 'green', UDPDelay: '30', StyleSheet: 'a.css', PowerUpTime: '12',
      TextStyle: 'bold', Location0: 'Den two', CIDNamePrefix: 'N:', Source0: 'acme.lamp', Class0: 'xAPBSC.event',
      FilterTag0: 'Lamp',
    };
    for (const [field, value] of Object.entries(edits)) await page.fill(`input[name='${field}']`, value);
    await page.fill("input[name='ImagePath']", 'C:\\pic"s');
    await save(page);
    assert.strictEqual(ini(), before);
    for (const [field, value] of Object.entries(edits)) {
      assert.strictEqual(await page.inputValue(`input[name='${field}']`), value, field);
    }
    assert.strictEqual(await page.inputValue("input[name='ImagePath']"), 'C:\\pic"s');
    // The message follows the field it names.
    const beside = await page.$eval("input[name='ImagePath']", (input) => input.nextElementSibling &&
      input.nextElementSibling.textContent);
    assert.strictEqual(beside, 'Nothing was saved: Folder Path to Slideshow Files cannot hold \'"\'.');
    await page.screenshot({ path: artifactPath('status-save-refused.png'), fullPage: true });

    // A filter row in a form the file cannot give back is refused the same way.
    await page.fill("input[name='ImagePath']", 'C:\\pics');
    await page.fill("input[name='FilterTag0']", 'Lamp;Hall');
    await save(page);
    assert.strictEqual(ini(), before);
    assert.strictEqual(await page.inputValue("input[name='FilterTag0']"), 'Lamp;Hall');
    assert.strictEqual(await page.inputValue("input[name='PushDelay']"), '8');

    // Put right: every edit is stored.
    await page.fill("input[name='FilterTag0']", 'Lamp Hall');
    await save(page);
    const stored = ini();
    assert.match(stored, /PushDelay="8"\r\n/);
    assert.match(stored, /FontColor="green"\r\n/);
    assert.match(stored, /ImagePath=C:\\pics\r\n/);
    assert.match(stored, /Den two,/);
    assert.match(stored, /acme\.lamp~xAPBSC\.event=Lamp_Hall;\r\n/);
    assert.strictEqual(await page.$('.saveproblem'), null);
  } finally {
    await browser.close();
    await host.stop();
  }
});
