// The plug-in's own web server in zephra-host, seen from Chromium: a page with pictures and a
// style sheet loads from it whole, and a page it does not serve is handed over to the host's
// web server, where the browser arrives.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { startHost, launchBrowser, artifactPath } = require('../lib/zephra-host');

// Pictures made by ImageMagick, as the appliances' slides would be.
function picture(format, colour) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zephra-pic-'));
  const file = path.join(dir, `p.${format}`);
  execFileSync('convert', ['-size', '160x120', `xc:${colour}`, '-fill', 'white', '-draw', 'circle 80,60 80,20', file]);
  const bytes = fs.readFileSync(file);
  fs.rmSync(dir, { recursive: true, force: true });
  return bytes;
}

const PAGE = `<html><head><title>Zephra pictures</title><link rel="stylesheet" href="style.css"></head>
<body><h1 id="title">Pictures from the plug-in</h1>
<img id="red" src="pics/Red.JPG" width="160" height="120">
<img id="blue" src="/pics/blue.gif" width="160" height="120">
<p><a id="away" href="notes.txt?from=browser">notes</a></p></body></html>`;

test('a page with pictures loads from the plug-in, and other pages reach the host', async () => {
  const host = await startHost({
    files: {
      'HTML/index.htm': PAGE,
      'HTML/style.css': 'body { background: #ffe; font-family: sans-serif } h1 { color: rgb(0, 96, 0) }',
      'HTML/pics/red.jpg': picture('jpg', 'red'),
      'HTML/pics/blue.gif': picture('gif', 'blue'),
      'HTML/notes.txt': 'Notes kept by the host',
    },
  });
  const browser = await launchBrowser();
  try {
    const page = await browser.newPage();
    const answered = [];
    page.on('response', (r) => answered.push(`${r.status()} ${r.url()}`));

    const response = await page.goto(host.url('/index.htm'), { waitUntil: 'load' });
    assert.strictEqual(response.status(), 200);
    assert.strictEqual(await page.title(), 'Zephra pictures');
    for (const id of ['red', 'blue']) {
      const size = await page.$eval(`#${id}`, (img) => [img.complete, img.naturalWidth, img.naturalHeight]);
      assert.deepStrictEqual(size, [true, 160, 120], `picture ${id}: ${answered.join(', ')}`);
    }
    assert.strictEqual(await page.$eval('#title', (h) => getComputedStyle(h).color), 'rgb(0, 96, 0)');
    await page.screenshot({ path: artifactPath('web-server-pictures.png'), fullPage: true });

    // A page of no file type of the plug-in: the browser follows the hand-over to the host.
    await page.click('#away');
    await page.waitForURL(host.hostUrl('/notes.txt?from=browser'));
    assert.strictEqual((await page.textContent('body')).trim(), 'Notes kept by the host');
    assert.ok(answered.includes(`307 ${host.url('/notes.txt?from=browser')}`), answered.join(', '));

    // A missing file gets the plug-in's not-found page.
    await page.goto(host.url('/missing.htm'));
    assert.strictEqual(await page.textContent('h1'), '404 File Not Found');
  } finally {
    await browser.close();
    await host.stop();
  }
});
