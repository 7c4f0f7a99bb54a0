// Addresses saved from the status page as a user types them: a unit whose computer is named by
// its own IP is one entry whose device code outlives restarts (a file that already holds it twice
// is mended at the next start), the server's IP is stored without the blanks around it, and an
// entry whose address is none makes no appliance that commands would go to.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { startHost, startAppliances, launchBrowser, artifactPath } = require('../lib/zephra-host');

const INI = 'Config/dkvZephraUtilities.ini';
const STATUS = ['[STATUS]', 'ShowControl=False', 'ShowSetup=True', 'ShowReceiveMessages=False', 'ShowStatus=2'];

function ini(host) {
  return fs.readFileSync(path.join(host.appDir, INI), 'latin1');
}

function lines(text) {
  return text.split('\r\n');
}

// The lines of `after` that `before` lacks.
function added(before, after) {
  const old = new Set(lines(before));
  return lines(after).filter((l) => !old.has(l));
}

function removed(before, after) {
  return added(after, before);
}

async function shownNames(page) {
  return page.$$eval("input[name^='Location']", (boxes) => boxes.map((b) => b.value).filter((v) => v !== ''));
}

async function save(page) {
  await Promise.all([page.waitForNavigation(), page.click("input[name='Save']")]);
}

// The status page opened anew shows `names` as its units.
async function shows(page, host, names) {
  await page.goto(host.url('/status'));
  assert.deepStrictEqual(await shownNames(page), names);
}

// A restart of the host leaves the settings file as `saved` and removes no device.
async function restartKeeps(host, saved, message) {
  const from = host.output().length;
  await host.restart();
  assert.strictEqual(ini(host), saved, message);
  assert.ok(!host.output().slice(from).includes('Removing virtual device'), host.output().slice(from));
}

// `work` with a host started with `options` and a browser, both ended afterwards.
async function withHostAndBrowser(options, work) {
  const host = await startHost(options);
  const browser = await launchBrowser();
  try {
    await work(host, browser);
  } finally {
    await browser.close();
    await host.stop();
  }
}

test('a unit named by its own IP is one entry whose device code outlives restarts', async () => {
  await withHostAndBrowser({ names: ['127.0.0.2="Kitchen"'], more: STATUS }, async (host, browser) => {
    const page = await browser.newPage();
    await page.goto(host.url('/status'));
    const before = ini(host);
    await page.fill("input[name='Location1']", 'Den');
    await page.fill("input[name='IP1']", '127.0.0.5/127.0.0.5');
    await save(page);
    await page.screenshot({ path: artifactPath('status-unit-own-ip.png'), fullPage: true });

    const saved = ini(host);
    const den = added(before, saved).filter((l) => l.includes('Den'));
    assert.strictEqual(den.length, 1, `one entry of Den:\n${saved}`);
    assert.match(den[0], /^127\.0\.0\.5="Den,~1\d+,,,0,0,"$/);
    assert.ok(!saved.includes('127.0.0.5/127.0.0.5'), saved);
    assert.deepStrictEqual(await shownNames(page), ['Kitchen', 'Den']);

    // Two restarts: the file stays byte for byte, and no device of Den is removed.
    for (let i = 0; i < 2; ++i) {
      await restartKeeps(host, saved, `restart ${i + 1} changed the settings file`);
      assert.strictEqual(await host.ask('ZephraNames'), 'kitchen,den');
    }
    await shows(page, host, ['Kitchen', 'Den']);
  });
});

test('a file that holds a unit twice, as IP/IP and as IP, keeps the device code it has', async () => {
  const names = ['127.0.0.2="Kitchen"', '127.0.0.5/127.0.0.5="Den,,,,0,0,"', '127.0.0.5="Den,~121,,,0,0,"'];
  await withHostAndBrowser({ names, more: STATUS }, async (host, browser) => {
    const first = ini(host);
    assert.ok(first.includes('\r\n127.0.0.5/127.0.0.5=",,"\r\n'), first);
    assert.ok(first.includes('\r\n127.0.0.5="Den,~121,,,0,0,"\r\n'), first);
    assert.match(host.output(), /the entry "127\.0\.0\.5\/127\.0\.0\.5=Den,,,,0,0," is not used: it is the entry of 127\.0\.0\.5 written a second time/);
    await restartKeeps(host, first);
    await shows(await browser.newPage(), host, ['Kitchen', 'Den']);
  });
});

test("the server's IP is stored without blanks, and one that is no address is refused", async () => {
  await withHostAndBrowser({ names: ['127.0.0.2="Kitchen"'], more: STATUS }, async (host, browser) => {
    const page = await browser.newPage();
    await page.goto(host.url('/status'));
    const before = ini(host);
    await page.fill("input[name='HSIP']", '127.0.0.1 x');
    await save(page);
    const text = await page.textContent('body');
    assert.ok(
      text.includes("Nothing was saved: Server IP cannot hold '127.0.0.1 x' (an IPv4 address or a host name, without a port)."),
      text.slice(0, 3000));
    assert.strictEqual(ini(host), before, 'a refused save changed the settings file');

    await page.goto(host.url('/status'));
    // The stored address with blanks around it is no change: nothing is written.
    await page.fill("input[name='HSIP']", ' 127.0.0.1 ');
    await save(page);
    assert.strictEqual(ini(host), before, 'the same address with blanks changed the settings file');
    assert.strictEqual(await page.inputValue("input[name='HSIP']"), '127.0.0.1');

    await page.goto(host.url('/status'));
    await page.fill("input[name='HSIP']", ' 127.0.0.3 ');
    await save(page);
    const after = ini(host);
    assert.deepStrictEqual(removed(before, after).filter((l) => l.startsWith('HomeseerIP')), ['HomeseerIP=127.0.0.1']);
    assert.deepStrictEqual(added(before, after).filter((l) => l.startsWith('HomeseerIP')), ['HomeseerIP="127.0.0.3"']);
    assert.strictEqual(await page.inputValue("input[name='HSIP']"), '127.0.0.3');
  });
});

test('an entry whose computer is no address makes no appliance; one with a port after the computer works', async () => {
  const sim = await startAppliances(['kitchen']);
  const kitchen = sim.http.kitchen;
  const port = kitchen.split(':')[1];
  const host = await startHost({
    names: [
      `127.0.0.2/${kitchen}="Kitchen"`,
      `127.0.0.5/${port}="Porty"`,
      '127.0.0.6/$PORT="Portx"',
      '127.0.0.7/PORT/="Porth"',
    ],
    more: STATUS,
  });
  try {
    const said = host.output();
    for (const entry of [`127.0.0.5/${port}=Porty`, '127.0.0.6/$PORT=Portx', '127.0.0.7/PORT/=Porth'])
      assert.ok(said.includes(`the entry "${entry}" is not used`), `${entry}:\n${said}`);
    assert.strictEqual(await host.ask('ZephraNames'), 'kitchen');
    const before = ini(host);
    await host.run('ZephraVolume "kitchen,porty,portx,porth", 40');
    const deadline = Date.now() + 20000;
    while (!sim.log().includes('volume.shtml?40') && Date.now() < deadline) await new Promise((r) => setTimeout(r, 50));
    assert.ok(sim.log().includes('volume.shtml?40'), sim.log());
    assert.strictEqual(await host.ask('ZephraVolumeStatus("kitchen")'), '40');
    // No appliance of those names: nothing was sent, and the volume of an appliance not
    // configured reads -1, as for a name that names no appliance.
    for (const name of ['porty', 'portx', 'porth']) assert.strictEqual(await host.ask(`ZephraVolumeStatus("${name}")`), '-1');
    assert.strictEqual(await host.ask('ZephraVolumeStatus("nosuch")'), '-1');
    assert.ok(!host.output().includes('http://PORT'), host.output());
    assert.strictEqual(ini(host), before);
  } finally {
    await host.stop();
    await sim.stop();
  }
});
