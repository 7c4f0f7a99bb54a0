// The status and setup page as a user meets it in Chromium: the page has its head (title, style
// sheet, the "Back Color" setting as its background), text stored in the host's code page shows
// as stored and a save keeps its bytes, and a save with nothing changed leaves the spoken voice
// alone: the same text gives the same WAV file before and after it (and a restart).
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { startHost, startAppliances, launchBrowser, artifactPath, WAIT } = require('../lib/zephra-host');

const INI = 'Config/dkvZephraUtilities.ini';

const save = (page) => Promise.all([page.waitForNavigation(), page.click("input[name='Save']")]);

test('the status page has its head, and text in the host code page shows and saves as stored', async () => {
  const host = await startHost({
    settings: ['Background=#123456', 'TextStyle=Grün Sans'],
    names: ['127.0.0.9="Den,,,,1,0,"'],  // a unit with a slide group: its pictures would be resized
    files: { 'HTML/style.css': 'body { color: rgb(1, 2, 3) } td.TABLEROWODD { font-style: italic }' },
  });
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    const answer = await page.goto(host.url('/status'));
    // Every page of the server says which code page it is in, as the settings files keep it.
    assert.strictEqual(answer.headers()['content-type'], 'text/html; charset=windows-1252');
    const look = await browser.newPage();
    for (const other of ['/ZephraSlideshow.asp', '/style.css', '/missing.htm']) {
      const reply = await look.goto(host.url(other));
      assert.strictEqual(reply.headers()['content-type'], 'text/html; charset=windows-1252', other);
    }
    await look.close();

    // The head: a title, the style sheet applied, the background colour of the settings.
    assert.match(await page.title(), /^Zephra Status/);
    assert.ok(await page.$('link[rel="stylesheet"][href="/style.css"]'));
    const body = await page.evaluate(() => {
      const style = getComputedStyle(document.body);
      return { background: style.backgroundColor, colour: style.color, charset: document.characterSet };
    });
    assert.deepStrictEqual(body, { background: 'rgb(18, 52, 86)', colour: 'rgb(1, 2, 3)', charset: 'windows-1252' });
    await page.screenshot({ path: artifactPath('status-page-head.png'), fullPage: true });

    // The host's links bar reads the host's own settings too; a host script saves one there.
    fs.writeFileSync(path.join(host.appDir, 'Config/includes.ini'), '[header.asp]\r\nstrShowLinks=Yes\r\n');
    await host.ask('hs.SaveIniSetting("Settings", "gCustomPageDesc1", "Garden", "")');
    await host.ask('hs.SaveIniSetting("Settings", "gCustomPageFile1", "garden.htm", "")');
    assert.match(fs.readFileSync(path.join(host.appDir, 'Config/settings.ini'), 'latin1'), /gCustomPageFile1=garden\.htm\r\n/);
    await page.goto(host.url('/status'));
    assert.strictEqual(await page.getAttribute('a:text("Garden")', 'href'), '/garden.htm');
    assert.ok(await page.$('a[href="/stat"]:text("Status")'));

    // Stored as the byte 0xFC, shown as "ü"; a save keeps the byte.
    assert.strictEqual(await page.inputValue("input[name='TextStyle']"), 'Grün Sans');
    await save(page);
    const file = () => fs.readFileSync(path.join(host.appDir, INI));
    assert.ok(file().includes(Buffer.from('Grün Sans', 'latin1')), file().toString('latin1'));
    assert.ok(!file().includes(Buffer.from('Grün Sans', 'utf8')), file().toString('latin1'));

    // Typed into the page, it reaches the file in the same code page and shows again after a reload.
    await page.fill("input[name='TextStyle']", 'Bäckerei Straße');
    await save(page);
    assert.ok(file().includes(Buffer.from('Bäckerei Straße', 'latin1')), file().toString('latin1'));
    await page.goto(host.url('/status'));
    assert.strictEqual(await page.inputValue("input[name='TextStyle']"), 'Bäckerei Straße');
    // The resizer the slideshow uses is the one the settings writer finds: no download is asked for.
    assert.doesNotMatch(host.output(), /Resizer download not offered/);
    assert.doesNotMatch(file().toString('latin1'), /ResizeQuestion/);
    // The page head and the links bar asked the host's own settings without an error.
    assert.doesNotMatch(host.output(), /CustomHeader:|HSLinks:/);
  } finally {
    await browser.close();
    await host.stop();
  }
});

test('a save with nothing changed keeps the voice that speaks', async () => {
  const sim = await startAppliances(['kitchen']);
  const host = await startHost({ names: [`127.0.0.2/${sim.http.kitchen}="Kitchen"`] });
  const browser = await launchBrowser();
  // The kitchen fetches each spoken WAV file from the host's web server; the same bytes are
  // fetched here from the address it was given.
  const spoken = async (text) => {
    const before = sim.log().split('\n').length;
    await host.ask(`hs.Plugin("dkvZephra").ZephraSpeak("kitchen", "${text}")`);
    const deadline = Date.now() + WAIT;
    for (;;) {
      const line = sim.log().split('\n').slice(before - 1).find((l) => / wav="[^"]+"/.test(l) && /\bok\b/.test(l));
      if (line) {
        const answer = await fetch(/ wav="([^"]+)"/.exec(line)[1]);
        assert.strictEqual(answer.status, 200);
        return Buffer.from(await answer.arrayBuffer());
      }
      if (Date.now() > deadline) throw new Error(`the kitchen fetched no WAV file:\n${sim.log()}\n${host.output()}`);
      await new Promise((r) => setTimeout(r, 50));
    }
  };
  try {
    const first = await spoken('Dinner is ready');
    assert.ok(first.length > 10000, `${first.length} bytes`);

    const page = await browser.newPage();
    await page.goto(host.url('/status'));
    // The stored voice ("Microsoft Mary") is not installed: the page shows the one that speaks.
    const shown = await page.inputValue("input[name='VoiceCB']");
    assert.ok(shown && shown !== 'Afrikaans', shown);
    // The voice box was not touched: the save writes no voice.
    await save(page);
    const ini = fs.readFileSync(path.join(host.appDir, INI), 'latin1');
    assert.ok(!ini.includes('T2WVoice='), ini);

    // The speech engine's pitch flutter runs on from one text to the next within a process, so
    // the same text is compared as the first one spoken after a start, before and after the save.
    await host.restart();
    const second = await spoken('Dinner is ready');
    assert.ok(second.equals(first), `the WAV file changed: ${first.length} then ${second.length} bytes`);
  } finally {
    await browser.close();
    await host.stop();
    await sim.stop();
  }
});
