// Names on the plug-in's own web server, over real HTTP from zephra-host: a "+" in a path is a
// "+" of the name, a name with a character outside Windows-1252 (an emoji) is found as the host's
// server finds it, a picture of such a name is shrunk for an appliance under its own name, and a
// missing links file is named in the log.
'use strict';

const { test } = require('node:test');
const assert = require('node:assert');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { startHost, launchBrowser, artifactPath, rawGet: get, WAIT } = require('../lib/zephra-host');

const SMILE = '\u{1F600}';
const SMILE_URL = '%F0%9F%98%80';

function picture(size) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zephra-name-'));
  const file = path.join(dir, 'p.jpg');
  execFileSync('convert', ['-size', size, 'gradient:navy-gold', file]);
  const bytes = fs.readFileSync(file);
  fs.rmSync(dir, { recursive: true, force: true });
  return bytes;
}

test('"+" and emoji names are fetched from the plug-in as from the host', async () => {
  const photo = picture('400x300');
  const host = await startHost({
    settings: ['SlideshowUpdateInterval=5', 'SlideASP0=pics,5', 'MaxPixels=100000'],
    names: ['127.0.0.1/127.0.0.1:9="Browser,,,,1,0,"'],
    files: {
      'HTML/pages/c+d.htm': '<html><body>c plus d</body></html>',
      'HTML/pages/two+words.htm': '<html><body>two plus words</body></html>',
      'HTML/pages/two words.htm': '<html><body>two blank words</body></html>',
      [`HTML/pages/${SMILE}.htm`]: '<html><body>a smile</body></html>',
      [`HTML/pics/${SMILE}.jpg`]: photo,
    },
  });
  try {
    const pages = {
      '/pages/c+d.htm': 'c plus d',
      '/pages/two+words.htm': 'two plus words',
      '/pages/two%20words.htm': 'two blank words',
      [`/pages/${SMILE_URL}.htm`]: 'a smile',
    };
    for (const [page, text] of Object.entries(pages)) {
      // The host's own server is the oracle: the plug-in answers as it does.
      const hosts = await get(host.hostUrl(page));
      assert.strictEqual(hosts.status, 200, `host ${page}`);
      assert.match(hosts.body.toString(), new RegExp(text), `host ${page}`);
      const plugins = await get(host.url(page));
      assert.strictEqual(plugins.status, 200, page);
      assert.match(plugins.body.toString(), new RegExp(`<body>${text}</body>`), page);
    }
    const whole = await get(host.url(`/pics/${SMILE_URL}.jpg`));
    assert.strictEqual(whole.status, 200);
    assert.ok(whole.body.equals(photo));

    // The appliance's slide: the picture shrunk under its own name, shown in Chromium.
    const browser = await launchBrowser();
    try {
      const page = await browser.newPage();
      await page.goto(host.url('/ZephraSlideshow.asp'), { waitUntil: 'load' });
      const shown = await page.$eval('img', (img) => [img.getAttribute('src'), img.complete, img.naturalWidth]);
      await page.screenshot({ path: artifactPath('slideshow-emoji-name.png'), timeout: 5000 }).catch(() => {});
      assert.deepStrictEqual(shown, [`${host.url(`/ZephraTemp/${SMILE_URL}.jpg`)}`, true, 333], shown.join(' '));
    } finally {
      await browser.close();
    }
    const temp = fs.readdirSync(path.join(host.appDir, 'HTML', 'ZephraTemp'));
    assert.ok(temp.includes(`${SMILE}.jpg`), temp.join(', '));

    // No links file: the log names it.
    const links = await get(host.url('/ZephraSlideshow.asp?ClientAction=links'));
    assert.strictEqual(links.status, 200);
    const deadline = Date.now() + WAIT;
    while (!/links file \S*links_touchscreen\.htm Line 0 File not found/.test(host.output()) && Date.now() < deadline)
      await new Promise((r) => setTimeout(r, 50));
    assert.match(host.output(), /ZephraSlideshow_ASP: links file \S*HTML\\links_touchscreen\.htm Line 0 File not found/);
  } finally {
    await host.stop();
  }
});
