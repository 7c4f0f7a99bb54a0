// Saves of the status page from a page that is not the newest, in Chromium: two people with a
// browser each, a page drawn before a restart of zephra-host or many pages ago, settings a
// script changed meanwhile. Each save writes only what its own user changed on it, into the
// appliance, row or option the page showed; every test compares the settings file line by line
// before and after.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { startHost, launchBrowser, artifactPath, WAIT } = require('../lib/zephra-host');
const { entries, diff, person, statusPages } = require('../lib/settings-diff');

const INI = 'Config/dkvZephraUtilities.ini';

const save = (page) => Promise.all([page.waitForNavigation(), page.click("input[name='Save']")]);

const STATUS = ['[STATUS]', 'ShowControl=False', 'ShowSetup=True', 'ShowReceiveMessages=True',
  'ShowReceiveDetail=True', 'ShowStatus=2'];

test('an edit on an older page lands on the appliance that page showed', async () => {
  const host = await startHost({
    names: ['127.0.0.2="Kitchen,~111,,,0,0,"', '127.0.0.3="Dupe,~121,,,0,0,"', '127.0.0.4="Den,~131,,,0,0,"',
      '127.0.0.5="Junk,~141,,,0,0,"'],
    more: STATUS,
  });
  const browser = await launchBrowser();
  try {
    const ini = () => fs.readFileSync(path.join(host.appDir, INI), 'latin1');
    const status = host.url('/status');
    const ann = await person(browser);
    const ann2 = await ann.context().newPage();
    ann2.setDefaultTimeout(WAIT);
    const bob = await person(browser);
    await ann.goto(status);
    await ann2.goto(status);
    await bob.goto(status);
    assert.strictEqual(await ann.inputValue("input[name='Location2']"), 'Den');
    const start = ini();
    const den = entries(start).get('[Zephra Names] 127.0.0.4');
    const junk = entries(start).get('[Zephra Names] 127.0.0.5');

    // Bob removes Dupe: on his next page Den is in Dupe's row, Junk in Den's.
    await bob.fill("input[name='Location1']", '');
    await save(bob);
    const removed = ini();
    assert.deepStrictEqual(diff(start, removed), ['[Zephra Names] 127.0.0.3: "Dupe,~121,,,0,0," -> ",,"']);
    assert.strictEqual(await bob.inputValue("input[name='Location1']"), 'Den');

    // Ann's page still shows Den in its row: her edit of Den's motion goes to Den.
    await ann.fill("input[name='Motion2']", 'M7');
    await save(ann);
    const moved = ini();
    assert.deepStrictEqual(diff(removed, moved),
      [`[Zephra Names] 127.0.0.4: ${den} -> ${den.replace(/^("[^,]*,[^,]*,[^,]*,)[^,]*/, '$1M7')}`]);
    assert.strictEqual(entries(moved).get('[Zephra Names] 127.0.0.5'), junk);

    // An edit of the appliance Bob removed is refused by its name; nothing is written.
    await ann2.fill("input[name='Motion1']", 'M9');
    await save(ann2);
    assert.deepStrictEqual(diff(moved, ini()), []);
    assert.strictEqual(await ann2.textContent('.saveproblem'),
      'Nothing was saved: unit 2 (Dupe) was removed since the page was drawn: reload the page.');
    await ann2.screenshot({ path: artifactPath('status-stale-removed.png'), fullPage: true });

    // Both add an appliance in the row their pages showed empty: both are kept.
    await ann.goto(status);
    await bob.goto(status);
    await bob.fill("input[name='Location3']", 'Newp');
    await bob.fill("input[name='IP3']", '127.0.0.11');
    await save(bob);
    const added = ini();
    // A new appliance gets a device code of its own when the settings are read again.
    const newp = diff(moved, added);
    assert.strictEqual(newp.length, 1, newp.join('\n'));
    assert.match(newp[0], /^\[Zephra Names\] 127\.0\.0\.11: \(none\) -> "Newp,[^,]*,,,0,0,"$/);
    await ann.fill("input[name='Location3']", 'Wnew');
    await ann.fill("input[name='IP3']", '127.0.0.12');
    await save(ann);
    const wnew = diff(added, ini());
    assert.strictEqual(wnew.length, 1, wnew.join('\n'));
    assert.match(wnew[0], /^\[Zephra Names\] 127\.0\.0\.12: \(none\) -> "Wnew,[^,]*,,,0,0,"$/);
    const shown = [];
    for (let n = 0; n < 9; ++n) shown.push(await ann.inputValue(`input[name='Location${n}']`));
    assert.deepStrictEqual(shown, ['Kitchen', 'Den', 'Junk', 'Newp', 'Wnew', '', '', '', '']);
  } finally {
    await browser.close();
    await host.stop();
  }
});

test('a page drawn before a restart or many pages ago writes only what its user changed', async () => {
  const host = await startHost({ settings: ['PushDelay="5"', 'TextForeground=Yellow', 'UDPDelay=20'], more: STATUS });
  const browser = await launchBrowser();
  try {
    const ini = () => fs.readFileSync(path.join(host.appDir, INI), 'latin1');
    const status = host.url('/status');
    const page = await person(browser);
    await page.goto(status);
    assert.strictEqual(await page.inputValue("input[name='TextForeground']"), 'Yellow');

    // The host starts again; then a script stores a value the old page shows otherwise.
    await host.restart();
    await host.run('hs.SaveINISetting "Zephra Utilities", "TextForeground", "Fromscript", "dkvZephraUtilities.ini"');
    let before = ini();
    await page.fill("input[name='PushDelay']", '6');
    await save(page);
    assert.deepStrictEqual(diff(before, ini()), ['[Zephra Utilities] PushDelay: "5" -> "6"']);
    assert.strictEqual(await page.inputValue("input[name='TextForeground']"), 'Fromscript');

    // Nine other pages are drawn, each of other settings, before the old page is saved.
    const old = await person(browser);
    await old.goto(status);
    const other = await person(browser);
    for (let n = 1; n <= 9; ++n) {
      await host.run(`hs.SaveINISetting "Zephra Utilities", "UDPDelay", "${20 + n}", "dkvZephraUtilities.ini"`);
      await other.goto(status);
    }
    await host.run('hs.SaveINISetting "Zephra Utilities", "TextForeground", "Later", "dkvZephraUtilities.ini"');
    before = ini();
    await old.fill("input[name='PushDelay']", '7');
    await save(old);
    assert.deepStrictEqual(diff(before, ini()), ['[Zephra Utilities] PushDelay: "6" -> "7"']);

    // A page that does not say what it showed stores nothing and is drawn afresh.
    await other.goto(status);
    await other.evaluate(() => document.querySelector("input[name='drawn']").remove());
    await other.fill("input[name='PushDelay']", '8');
    before = ini();
    await save(other);
    assert.deepStrictEqual(diff(before, ini()), []);
    assert.strictEqual(await other.textContent('.saveproblem'), 'Nothing was saved: the page is out of date: reload it.');
    assert.strictEqual(await other.inputValue("input[name='PushDelay']"), '7');
  } finally {
    await browser.close();
    await host.stop();
  }
});

test('a control the user did not change is not written, whatever it shows', async () => {
  const host = await startHost({
    settings: ['PushDelay="5"', 'noResponseAction=2'],
    more: [...STATUS, '[T2W]', 'T2WVoice="Microsoft Mary"'],
  });
  const browser = await launchBrowser();
  try {
    const ini = () => fs.readFileSync(path.join(host.appDir, INI), 'latin1');
    const page = await person(browser);
    await page.goto(host.url('/status'));
    // No voice of that name here: the box shows the one that speaks; the stored name stays.
    assert.notStrictEqual(await page.inputValue("input[name='VoiceCB']"), 'Microsoft Mary');
    const before = ini();
    await page.fill("input[name='PushDelay']", '9');
    await save(page);
    assert.deepStrictEqual(diff(before, ini()), ['[Zephra Utilities] PushDelay: "5" -> "9"']);
    // A voice the user types is stored.
    await page.fill("input[name='VoiceCB']", 'Microsoft Anna');
    const typed = ini();
    await save(page);
    assert.deepStrictEqual(diff(typed, ini()), ['[T2W] T2WVoice: "Microsoft Mary" -> "Microsoft Anna"']);
  } finally {
    await browser.close();
    await host.stop();
  }
});

test('an older page keeps the xAP rows and display options someone else saved', async () => {
  const host = await startHost({ settings: ['CIDNamePrefix=NAME'], more: [...STATUS, '[Received]', 'acme.a~T.R=Tag_A;1'] });
  const browser = await launchBrowser();
  try {
    // Bob opens the page first.
    const { ini, status, pages: [bob, ann] } = await statusPages(host, browser, 2);

    // Ann adds a row, then unticks the received detail.
    const start = ini();
    await ann.fill("input[name='Source0']", 'acme.x');
    await ann.fill("input[name='Class0']", 'c.x');
    await ann.fill("input[name='FilterTag0']", 'TagX');
    await save(ann);
    await ann.uncheck("input[name='ShowReceiveDetail']");
    await save(ann);
    const annSaved = ini();
    assert.deepStrictEqual(diff(start, annSaved),
      ['[Received] acme.x~c.x: (none) -> TagX;', '[STATUS] ShowReceiveDetail: True -> False']);

    // Bob's page was drawn before: he changes the name prefix and the first row's tag.
    await bob.fill("input[name='CIDNamePrefix']", 'NM');
    await bob.fill("input[name='FilterTag1']", 'Tag_A2');
    await save(bob);
    const bobSaved = ini();
    assert.deepStrictEqual(diff(annSaved, bobSaved),
      ['[Received] acme.a~T.R: Tag_A;1 -> Tag_A2;1', '[Zephra Utilities] CIDNamePrefix: NAME -> NM']);
    // What the plug-in holds: both rows (a new one first), Ann's option.
    assert.strictEqual(await bob.inputValue("input[name='FilterTag1']"), 'TagX');
    assert.strictEqual(await bob.inputValue("input[name='FilterTag2']"), 'Tag_A2');
    assert.strictEqual(await bob.isChecked("input[name='ShowReceiveDetail']"), false);

    // Ann, on her page of before Bob's save, chooses "Show Status"; Bob, on his, clears Ann's row.
    await ann.goto(status);
    await bob.goto(status);
    await ann.check("input[name='ShowStatus'][value='1']");
    await save(ann);
    const shown = ini();
    assert.deepStrictEqual(diff(bobSaved, shown), ['[STATUS] ShowStatus: 2 -> 1']);
    await bob.fill("input[name='Source1']", '');
    await bob.fill("input[name='Class1']", '');
    await save(bob);
    assert.deepStrictEqual(diff(shown, ini()), ['[Received] acme.x~c.x: TagX; -> (none)']);
    assert.strictEqual(await bob.isChecked("input[name='ShowStatus'][value='1']"), true);
    await bob.screenshot({ path: artifactPath('status-stale-options.png'), fullPage: true });
  } finally {
    await browser.close();
    await host.stop();
  }
});
