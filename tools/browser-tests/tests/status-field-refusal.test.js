// Texts typed into the status page that the settings file could not give back as typed (a
// character outside its code page, a tab, a separator, more than 255 characters) are refused: the
// page says so beside the field, naming it as the page labels it (a unit's field by the unit's
// number and name), keeps what was typed, and the settings file stays byte for byte as it was.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { startHost, launchBrowser, artifactPath } = require('../lib/zephra-host');

const INI = 'Config/dkvZephraUtilities.ini';

test('a text the settings file cannot keep is refused beside its field by the field\'s label', async () => {
  const host = await startHost({
    settings: ['FontColor="red"'],
    names: ['127.0.0.9="Kitchen,,A3,B4"', '127.0.0.10="Hall,,,"'],
    more: ['[STATUS]', 'ShowControl=False', 'ShowSetup=True', 'ShowReceiveMessages=False', 'ShowStatus=2'],
  });
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    const ini = () => fs.readFileSync(path.join(host.appDir, INI));
    await page.goto(host.url('/status'));
    const before = ini();
    const cases = [
      ['Location0', '日本', 'Location of unit 1 cannot hold U+65E5, a character outside the Windows-1252 code page.'],
      ['Location1', 'Kit\tchen', 'Location of unit 2 cannot hold TAB.'],
      ['Power0', 'A=3', "Power of unit 1 (Kitchen) cannot hold '='."],
      ['IP1', 'a  b', 'IP of unit 2 (Hall) cannot hold \'a  b\' (an IPv4 address or a host name, with an optional ' +
        '":port", then optionally "/" and the computer\'s address of the same form).'],
      ['FontColor', 'bl"ue', 'Font Color cannot hold \'"\'.'],
      ['Motion1', 'M'.repeat(300), 'Motion of unit 2 (Hall) cannot hold more than 255 characters.'],
    ];
    for (const [field, value, refusal] of cases) {
      await page.goto(host.url('/status'));
      await page.fill(`input[name='${field}']`, value);
      await Promise.all([page.waitForNavigation(), page.click("input[name='Save']")]);
      const beside = await page.$eval(`input[name='${field}']`,
        (input) => input.nextElementSibling && input.nextElementSibling.textContent);
      assert.strictEqual(beside, `Nothing was saved: ${refusal}`, field);
      assert.strictEqual(await page.inputValue(`input[name='${field}']`), value, `${field} keeps what was typed`);
      assert.ok(ini().equals(before), `${field}: the settings file changed`);
      if (field === 'Location0') await page.screenshot({ path: artifactPath('status-field-refusal.png'), fullPage: true });
    }
    assert.strictEqual(await host.ask('ZephraNames'), 'kitchen,hall');
  } finally {
    await browser.close();
    await host.stop();
  }
});
