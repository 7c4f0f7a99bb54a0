// What a save of the status page stores, and what it says it stored: a post made by hand with
// curl (the page's "drawn" field and one setting), a save in Chromium, two people's pages with an
// appliance removed and another added at its address, addresses behind computer names, an
// appliance given another address and one typed again in another row. Every test compares the
// settings file line by line before and after.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { startHost, launchBrowser, artifactPath } = require('../lib/zephra-host');
const { entries, diff, person, statusPages } = require('../lib/settings-diff');

const INI = 'Config/dkvZephraUtilities.ini';

const save = (page) => Promise.all([page.waitForNavigation(), page.click("input[name='Save']")]);

// curl, as a person types it: the answer's body and its status code.
function curl(args) {
  const out = execFileSync('curl', ['-s', '-S', '--max-time', '120', '-w', '\n%{http_code}', ...args],
    { encoding: 'latin1', maxBuffer: 16 << 20 });
  const cut = out.lastIndexOf('\n');
  return { body: out.slice(0, cut), code: out.slice(cut + 1) };
}

const STATUS = ['[STATUS]', 'ShowControl=False', 'ShowSetup=True', 'ShowReceiveMessages=True',
  'ShowReceiveDetail=True', 'ShowStatus=2'];

const UNITS = ['127.0.0.2="Kitchen,~111,,,0,0,"', '127.0.0.5="Hal,~141,,,0,0,"', '127.0.0.3="Dupe,~121,,,0,0,"',
  '127.0.0.4="Den,~131,,,0,0,"'];

test('a post made by hand stores what it carries, leaves the rest and says what it stored', async () => {
  const host = await startHost({ settings: ['PushDelay="5"'], names: UNITS, more: STATUS });
  const browser = await launchBrowser();
  try {
    const ini = () => fs.readFileSync(path.join(host.appDir, INI), 'latin1');
    const status = host.url('/status');
    const first = curl([status]);
    assert.strictEqual(first.code, '200');
    const drawn = /name='drawn' value='([^']*)'/.exec(first.body)[1];
    const before = ini();
    const posted = curl(['-d', 'page=status', '-d', 'clientinput=yes', '-d', 'clientvalue=yes',
      '--data-urlencode', `drawn=${drawn}`, '-d', 'PushDelay=7', '--data-urlencode', 'Save=Save Setup Changes',
      status]);
    assert.strictEqual(posted.code, '200');
    assert.deepStrictEqual(diff(before, ini()), ['[Zephra Utilities] PushDelay: "5" -> "7"']);
    assert.match(posted.body, /<b class='savenote'>Saved: PushDelay<\/b>/);
    // The page still shows every section it showed.
    assert.match(posted.body, /name='Location0'/);
    assert.ok(posted.body.length > first.body.length / 2, `${posted.body.length} of ${first.body.length}`);

    // A unit's field posted by hand goes to its row; a post that changes nothing says so.
    const again = /name='drawn' value='([^']*)'/.exec(curl([status]).body)[1];
    const stored = ini();
    const hall = curl(['-d', 'clientinput=yes', '--data-urlencode', `drawn=${again}`, '-d', 'Motion1=M4',
      '-d', 'Save=1', status]);
    assert.deepStrictEqual(diff(stored, ini()), ['[Zephra Names] 127.0.0.5: "Hal,~141,,,0,0," -> "Hal,~141,,M4,0,0,"']);
    assert.match(hall.body, /<b class='savenote'>Saved: unit 2 \(Hal\) Motion<\/b>/);
    const same = curl(['-d', 'clientinput=yes', '--data-urlencode', `drawn=${again}`, '-d', 'PushDelay=7',
      '-d', 'Save=1', status]);
    assert.match(same.body, /<b class='savenote'>Nothing was saved: no setting was changed\.<\/b>/);
    assert.deepStrictEqual(diff(stored, ini()), ['[Zephra Names] 127.0.0.5: "Hal,~141,,,0,0," -> "Hal,~141,,M4,0,0,"']);

    // In Chromium: two settings and an unticked box, each named in the answer.
    const page = await person(browser);
    await page.goto(status);
    const shown = ini();
    await page.fill("input[name='PushDelay']", '8');
    await page.fill("input[name='Location1']", 'Hall');
    await page.uncheck("input[name='ShowReceiveDetail']");
    await save(page);
    assert.deepStrictEqual(diff(shown, ini()), ['[STATUS] ShowReceiveDetail: True -> False',
      '[Zephra Names] 127.0.0.5: "Hal,~141,,M4,0,0," -> "Hall,~141,,M4,0,0,"',
      '[Zephra Utilities] PushDelay: "7" -> "8"']);
    assert.strictEqual(await page.textContent('.savenote'), 'Saved: ShowReceiveDetail, unit 2 (Hall) Location, PushDelay');
    assert.strictEqual(await page.$('.saveproblem'), null);
    await page.screenshot({ path: artifactPath('status-save-said.png'), fullPage: true });

    // Without the setup sections on the page, a setup field posted by hand is refused by name.
    await page.uncheck("input[name='ShowSetup']");
    await save(page);
    const bare = ini();
    const small = /name='drawn' value='([^']*)'/.exec(curl([status]).body)[1];
    const refused = curl(['-d', 'clientinput=yes', '--data-urlencode', `drawn=${small}`, '-d', 'PushDelay=9',
      '-d', 'Save=1', status]);
    assert.deepStrictEqual(diff(bare, ini()), []);
    assert.match(refused.body, /<b class='saveproblem'>Nothing was saved: PushDelay is a setup option, and the page shows none: tick &quot;Include Setup Options&quot;, save, and post it again\.<\/b>/);
  } finally {
    await browser.close();
    await host.stop();
  }
});

test('an edit of a removed appliance does not land on another added at its address', async () => {
  const host = await startHost({ names: UNITS, more: STATUS });
  const browser = await launchBrowser();
  try {
    const { ini, pages: [carol, dan] } = await statusPages(host, browser, 2);
    assert.strictEqual(await carol.inputValue("input[name='Location2']"), 'Dupe');

    // Dan removes Dupe, then adds Zed at Dupe's address: Zed gets a code of its own.
    await dan.fill("input[name='Location2']", '');
    await save(dan);
    await dan.fill("input[name='Location3']", 'Zed');
    await dan.fill("input[name='IP3']", '127.0.0.3');
    await save(dan);
    const zed = ini();
    const line = entries(zed).get('[Zephra Names] 127.0.0.3');
    assert.match(line, /^"Zed,~1\d*,,,0,0,"$/);
    assert.notStrictEqual(line, '"Zed,~121,,,0,0,"');

    // Carol's page still shows Dupe: her edit of it is refused by Dupe's name.
    await carol.fill("input[name='Motion2']", 'M4');
    await save(carol);
    assert.deepStrictEqual(diff(zed, ini()), []);
    assert.strictEqual(await carol.textContent('.saveproblem'),
      'Nothing was saved: unit 3 (Dupe) was removed since the page was drawn: reload the page.');
    await carol.screenshot({ path: artifactPath('status-save-said-removed.png'), fullPage: true });
  } finally {
    await browser.close();
    await host.stop();
  }
});

test('addresses are compared without computer names and refusals name the rows as shown', async () => {
  const host = await startHost({ names: UNITS, more: STATUS });
  const browser = await launchBrowser();
  try {
    const { ini, status, pages: [ann, bob] } = await statusPages(host, browser, 2);
    const start = ini();

    // Hall's address behind a computer name is still Hall's address.
    await ann.fill("input[name='Location5']", 'Hall2');
    await ann.fill("input[name='IP5']", '127.0.0.5/hallpc');
    await save(ann);
    assert.deepStrictEqual(diff(start, ini()), []);
    assert.strictEqual(await ann.textContent('.saveproblem'),
      'Nothing was saved: IP of unit 6 (Hall2) holds the address of unit 2 (Hal).');

    // Both add in the fifth row, at one address: the second is told the first was stored meanwhile.
    await ann.goto(status);
    await ann.fill("input[name='Location4']", 'NA');
    await ann.fill("input[name='IP4']", '127.0.0.20');
    await save(ann);
    const na = ini();
    assert.deepStrictEqual(diff(start, na).length, 1);
    await bob.fill("input[name='Location4']", 'NB');
    await bob.fill("input[name='IP4']", '127.0.0.20/nbpc');
    await save(bob);
    assert.deepStrictEqual(diff(na, ini()), []);
    assert.strictEqual(await bob.textContent('.saveproblem'),
      'Nothing was saved: IP of unit 5 (NB) holds the address of unit 5 (NA), stored by another editor meanwhile.');

    // Ann gives Den another address; Bob, on his page of before, edits Den: it was not removed.
    await ann.goto(status);
    await bob.goto(status);
    await ann.fill("input[name='IP3']", '127.0.0.9');
    await save(ann);
    const moved = ini();
    assert.deepStrictEqual(diff(na, moved),
      ['[Zephra Names] 127.0.0.4: "Den,~131,,,0,0," -> ",,"', '[Zephra Names] 127.0.0.9: (none) -> "Den,~131,,,0,0,"']);
    await bob.fill("input[name='Motion3']", 'M5');
    await save(bob);
    assert.deepStrictEqual(diff(moved, ini()), []);
    assert.strictEqual(await bob.textContent('.saveproblem'),
      'Nothing was saved: unit 4 (Den) was given another address since the page was drawn (127.0.0.9 now): ' +
      'reload the page.');

    // Hal cleared from its row and typed again in the sixth, at its own address: it keeps its code.
    await ann.goto(status);
    await ann.fill("input[name='Location1']", '');
    await ann.fill("input[name='IP1']", '');
    await ann.fill("input[name='Location5']", 'Hal');
    await ann.fill("input[name='IP5']", '127.0.0.5');
    await ann.fill("input[name='Motion5']", 'M6');
    await save(ann);
    assert.deepStrictEqual(diff(moved, ini()),
      ['[Zephra Names] 127.0.0.5: "Hal,~141,,,0,0," -> "Hal,~141,,M6,0,0,"']);
    assert.strictEqual(await ann.$('.saveproblem'), null);
  } finally {
    await browser.close();
    await host.stop();
  }
});
