// The pictures the status page's header shows (the clock, sunrise and sunset signs, the
// plug-in's logo) are in the host's HTML folder from its first run, and each one loads.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const { startHost, launchBrowser, artifactPath } = require('../lib/zephra-host');

test('the header of the status page shows its pictures', async () => {
  const host = await startHost();
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    await page.goto(host.url('/status'));
    const pictures = await page.$$eval('img', (all) =>
      all.map((img) => ({ src: img.getAttribute('src'), shown: img.complete && img.naturalWidth > 0 })));
    for (const name of ['/clock.gif', '/sunrise.gif', '/sunset.gif', '/pluginlogo.JPG']) {
      const found = pictures.filter((p) => p.src === name);
      assert.ok(found.length > 0, `the page names ${name}: ${JSON.stringify(pictures)}`);
      assert.ok(found.every((p) => p.shown), `${name} is a broken picture`);
    }
    assert.deepStrictEqual(pictures.filter((p) => !p.shown), []);
    await page.screenshot({ path: artifactPath('status-page-header.png'), clip: { x: 0, y: 0, width: 1000, height: 120 } });
  } finally {
    await browser.close();
    await host.stop();
  }
});
