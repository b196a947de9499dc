// The web page in headless Chromium against ondulite-render: the canvas's
// pixels read back with getImageData, the pause, a hidden page, the SIMD
// and scalar modules, workers and one thread, bad addresses, the saved PNG
// and full screen; the site is served from 127.0.0.1 by a plain static
// file server. Prints "ok: CASE" or "FAIL: CASE (why)" per case, then "N
// passed, M failed"; exits non-zero on a failure.
// Usage: browser_test.mjs SITE_FOLDER RENDER_TOOL
import {execFileSync} from 'node:child_process';
import {mkdtempSync, readdirSync, readFileSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';

import {ClosePage, Evaluate, Navigate, OpenPage, ServeFolder, StartBrowser, StopBrowser} from './cdp.mjs';

const [site, renderTool] = process.argv.slice(2);
const work = mkdtempSync(join(tmpdir(), 'ondulite-web-test-'));
let passed = 0;
let failed = 0;

function Check(condition, text) {
  if (!condition) throw new Error(text);
}

async function Case(name, body) {
  const start = Date.now();
  try {
    await body();
    passed += 1;
    console.log(`ok: ${name} (${((Date.now() - start) / 1000).toFixed(1)} s)`);
  } catch (error) {
    failed += 1;
    console.log(`FAIL: ${name} (${error.message})`);
  }
}

// ondulite-render's picture as RGB bytes.
function Rendered(seed, picture, width, height, variant = -1) {
  const file = join(work, 'rendered.ppm');
  const args = ['--seed', String(seed), '--picture', String(picture), '--size', `${width}x${height}`, '-o', file];
  if (variant >= 0) args.push('--variant', String(variant));
  execFileSync(renderTool, args);
  return Ppm(readFileSync(file));
}

function Ppm(bytes) {
  const header = bytes.subarray(0, 40).toString('latin1').match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  Check(header, 'not a binary PPM');
  return {width: Number(header[1]), height: Number(header[2]), rgb: bytes.subarray(header[0].length)};
}

// Where RGBA `rgba` and RGB `rgb` first differ, or -1.
function FirstDifference(rgba, rgb) {
  if (rgba.length / 4 !== rgb.length / 3) return 0;
  for (let i = 0, j = 0; j < rgb.length; i += 4, j += 3) {
    if (rgba[i] !== rgb[j] || rgba[i + 1] !== rgb[j + 1] || rgba[i + 2] !== rgb[j + 2] || rgba[i + 3] !== 255) {
      return j / 3;
    }
  }
  return -1;
}

// Waits until picture `picture` is on the canvas and reads it back in the
// same task, before the next one can replace it.
async function ShownPicture(page, picture) {
  const answer = await Evaluate(page, `new Promise(function (resolve, reject) {
    const limit = setTimeout(function () { reject(new Error('picture ${picture} not shown: ' +
      JSON.stringify(window.onduliteState) + ' ' + document.getElementById('message').textContent)); }, 30000);
    function Check() {
      const state = window.onduliteState;
      if (!state || !state.shown || state.shown.picture !== ${picture}) return;
      clearTimeout(limit);
      removeEventListener('ondulite-shown', Check);
      // Read through a copy made once, so that the page's own canvas is not
      // read again and again (which Chromium warns of in the console).
      const canvas = document.getElementById('picture');
      const copy = document.createElement('canvas');
      copy.width = canvas.width;
      copy.height = canvas.height;
      copy.getContext('2d').drawImage(canvas, 0, 0);
      const data = copy.getContext('2d').getImageData(0, 0, copy.width, copy.height).data;
      let text = '';
      for (let i = 0; i < data.length; i += 32768) text += String.fromCharCode.apply(null, data.subarray(i, i + 32768));
      resolve({state: JSON.parse(JSON.stringify(state)), width: canvas.width, height: canvas.height,
        pixels: btoa(text), address: location.search, shownAt: performance.now()});
    }
    addEventListener('ondulite-shown', Check);
    Check();
  })`);
  answer.pixels = Buffer.from(answer.pixels, 'base64');
  return answer;
}

// The shown picture equals ondulite-render's for its seed, number and size.
function ExpectRendered(shown, forcedVariant = -1) {
  const s = shown.state.shown;
  Check(shown.width === s.width && shown.height === s.height, 'canvas size differs from the picture size');
  const expected = Rendered(s.seed, s.picture, s.width, s.height, forcedVariant);
  Check(expected.width === shown.width && expected.height === shown.height, 'render size differs');
  const at = FirstDifference(shown.pixels, expected.rgb);
  Check(at < 0, `seed ${s.seed} picture ${s.picture} ${s.width}x${s.height}: pixels differ from ` +
    `ondulite-render's at x ${at % s.width}, y ${Math.floor(at / s.width)}`);
}

function ExpectQuiet(page) {
  Check(page.problems.length === 0, `the console got: ${page.problems.join(' | ')}`);
}

const server = await ServeFolder(site);
const base = server.url;
const browser = await StartBrowser();
try {
  await Case('pixels equal the render tool\'s for several seeds and pictures, odd sizes too', async () => {
    for (const [seed, picture, width, height] of [[2026, 1, 640, 360], [7, 3, 333, 201], [1796746887, 12, 257, 140]]) {
      const page = await OpenPage(browser, `${base}/?seed=${seed}&picture=${picture}`, {width, height});
      const shown = await ShownPicture(page, picture);
      Check(shown.width === width && shown.height === height, `canvas ${shown.width}x${shown.height}, not the window's`);
      Check(shown.state.shown.seed === seed, 'another seed was shown');
      ExpectRendered(shown);
      ExpectQuiet(page);
      await ClosePage(page);
    }
  });

  await Case('every variant, forced by the address, equals the render tool\'s', async () => {
    const page = await OpenPage(browser, null, {width: 301, height: 175});
    for (let variant = 0; variant < 8; ++variant) {
      await Navigate(page, `${base}/?seed=424242&picture=2&variant=${variant}`);
      const shown = await ShownPicture(page, 2);
      Check(shown.state.shown.variant === variant, `variant ${shown.state.shown.variant} shown, ${variant} asked`);
      Check(shown.address.includes(`variant=${variant}`), 'the address lost the variant');
      ExpectRendered(shown, variant);
    }
    ExpectQuiet(page);
    await ClosePage(page);
  });

  await Case('the next picture of the sequence follows after the pause, and the address names it', async () => {
    const page = await OpenPage(browser, `${base}/?seed=99&picture=5`, {width: 200, height: 120});
    const first = await ShownPicture(page, 5);
    const second = await ShownPicture(page, 6);
    Check(second.shownAt - first.shownAt >= 990, `picture 6 came ${second.shownAt - first.shownAt} ms after 5`);
    Check(second.address === '?seed=99&picture=6', `the address is ${second.address}`);
    ExpectRendered(second);
    ExpectQuiet(page);
    await ClosePage(page);
  });

  await Case('a new window size gets the sequence\'s next picture at that size', async () => {
    const page = await OpenPage(browser, `${base}/?seed=77&picture=3`, {width: 300, height: 200});
    await ShownPicture(page, 3);
    await page.send('Emulation.setDeviceMetricsOverride', {width: 411, height: 233, deviceScaleFactor: 1, mobile: false});
    const resized = await Evaluate(page, `new Promise(function (resolve) {
      function Look() {
        const shown = window.onduliteState.shown;
        if (shown.width === 411) resolve(shown.picture);
        else addEventListener('ondulite-shown', Look, {once: true});
      }
      Look();
    })`);
    Check(resized >= 4, `picture ${resized} after the resize`);
    const shown = await ShownPicture(page, resized);
    Check(shown.width === 411 && shown.height === 233, `canvas ${shown.width}x${shown.height} after the resize`);
    ExpectRendered(shown);
    ExpectQuiet(page);
    await ClosePage(page);
  });

  await Case('a hidden page makes no pictures and goes on where it stopped', async () => {
    const page = await OpenPage(browser, `${base}/?seed=5&picture=1`, {width: 160, height: 100});
    await ShownPicture(page, 1);
    const {targetId} = await browser.send('Target.createTarget', {url: 'about:blank'});
    await browser.send('Target.activateTarget', {targetId});
    Check(await Evaluate(page, 'document.visibilityState') === 'hidden', 'the page did not become hidden');
    const before = await Evaluate(page, 'window.onduliteState.started');
    await new Promise((resolve) => setTimeout(resolve, 3500));
    const after = await Evaluate(page, 'window.onduliteState.started');
    Check(after === before, `${after - before} pictures begun while hidden`);
    await browser.send('Target.activateTarget', {targetId: page.targetId});
    await browser.send('Target.closeTarget', {targetId});
    const next = await ShownPicture(page, before + 1);
    ExpectRendered(next);
    ExpectQuiet(page);
    await ClosePage(page);
  });

  await Case('the SIMD and scalar modules, on workers and on one thread, give the same pixels', async () => {
    const page = await OpenPage(browser, null, {width: 283, height: 157});
    const seen = [];
    for (const [simd, threads] of [[1, 2], [0, 2], [1, 1], [0, 1], [1, 3]]) {
      await Navigate(page, `${base}/?seed=31337&picture=4&variant=${4 + threads}&simd=${simd}&threads=${threads}`);
      const shown = await ShownPicture(page, 4);
      Check(shown.state.kernel === (simd ? 'wasm128' : 'portable'), `kernel ${shown.state.kernel} with simd=${simd}`);
      Check(shown.state.threads === threads, `${shown.state.threads} threads, ${threads} asked`);
      ExpectRendered(shown, 4 + threads);
      seen.push(shown.state.kernel + '/' + threads);
    }
    // The module that the browser chooses by itself is the SIMD one here.
    await Navigate(page, `${base}/?seed=31337&picture=4`);
    const chosen = await ShownPicture(page, 4);
    Check(chosen.state.kernel === 'wasm128', `the page chose ${chosen.state.kernel}`);
    ExpectRendered(chosen);
    ExpectQuiet(page);
    await ClosePage(page);
  });

  await Case('the items are dealt to any number of workers: fewer items than workers, and many more', async () => {
    // 90x40 single-field: 2 items for 5 workers; 150x700 mirrored: 22 items
    // for 3 workers, dealt as they finish, and the next picture after it.
    for (const [width, height, variant, threads] of [[90, 40, 2, 5], [150, 700, 5, 3]]) {
      const page = await OpenPage(browser, `${base}/?seed=4711&picture=9&variant=${variant}&threads=${threads}`,
        {width, height});
      for (const picture of [9, 10]) {
        const shown = await ShownPicture(page, picture);
        Check(shown.state.threads === threads, `${shown.state.threads} threads, ${threads} asked`);
        Check(shown.width === width && shown.height === height, `canvas ${shown.width}x${shown.height}`);
        ExpectRendered(shown, variant);
      }
      ExpectQuiet(page);
      await ClosePage(page);
    }
  });

  await Case('bad address parameters give a message and the defaults, and nothing in the console', async () => {
    const page = await OpenPage(browser, null, {width: 240, height: 150});
    for (const query of ['?seed=abc&picture=0&variant=9', '?seed=4294967296&picture=-3', '?variant=1.5&threads=0&simd=2',
      '?seed=%3Cb%3Ex%3C%2Fb%3E&picture=99999999999']) {
      const before = Math.floor(Date.now() / 1000);
      await Navigate(page, `${base}/${query}`);
      const shown = await ShownPicture(page, 1);
      const after = Math.floor(Date.now() / 1000);
      const message = await Evaluate(page, `(function () { const box = document.getElementById('message');
        return box.hidden ? '' : box.textContent; })()`);
      Check(/Showing the defaults/.test(message), `no message for ${query}: "${message}"`);
      Check(await Evaluate(page, 'document.querySelector("#message b") === null'), 'the message took markup');
      const s = shown.state.shown;
      if (!/seed=[0-9]+&/.test(query)) Check(s.seed >= before && s.seed <= after, `seed ${s.seed} is not the time`);
      Check(s.forcedVariant === -1, 'a bad variant was forced');
      Check(/^\?seed=[0-9]+&picture=1$/.test(shown.address), `the address is ${shown.address}`);
      ExpectRendered(shown);
    }
    ExpectQuiet(page);
    await ClosePage(page);
  });

  await Case('a module that cannot load leaves a message on the page, not a blank one', async () => {
    const page = await OpenPage(browser, null, {width: 320, height: 200});
    await page.send('Fetch.enable', {patterns: [{urlPattern: '*picture-*.wasm'}]});
    const listener = page.browser.listeners.get(page.sessionId);
    page.browser.listeners.set(page.sessionId, (method, params) => {
      // A worker that the page ended after another worker's failure takes
      // its paused request with it: that request is no longer there to fail.
      if (method === 'Fetch.requestPaused') {
        page.send('Fetch.failRequest', {requestId: params.requestId, errorReason: 'Failed'}).catch(() => {});
      }
      listener(method, params);
    });
    await Navigate(page, `${base}/?seed=1&picture=1`);
    const message = await Evaluate(page, `new Promise(function (resolve) {
      const box = document.getElementById('message');
      const limit = Date.now() + 20000;
      (function Look() {
        if (!box.hidden || Date.now() > limit) resolve(box.hidden ? '' : box.textContent);
        else setTimeout(Look, 100);
      })();
    })`);
    Check(/cannot be made|Error/.test(message), `the page says "${message}"`);
    Check(await Evaluate(page, 'window.onduliteState.shownCount') === 0, 'a picture was shown without its module');
    await ClosePage(page);
  });

  await Case('the save control downloads the picture as a PNG at full resolution', async () => {
    const downloads = join(work, 'downloads');
    await browser.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads, eventsEnabled: true});
    // 320x180 CSS pixels at two device pixels each: a 640x360 picture.
    const page = await OpenPage(browser, `${base}/?seed=2026&picture=2`, {width: 320, height: 180, scale: 2});
    const shown = await ShownPicture(page, 2);
    Check(shown.width === 640 && shown.height === 360, `canvas ${shown.width}x${shown.height} at scale 2`);
    const done = new Promise((resolve) => {
      browser.listeners.set('', (method, params) => {
        if (method === 'Browser.downloadProgress' && params.state !== 'inProgress') resolve(params.state);
      });
    });
    await Evaluate(page, 'document.getElementById("save").click()');
    Check(await done === 'completed', 'the download did not complete');
    const files = readdirSync(downloads);
    Check(files.length === 1 && files[0] === 'ondulite-2026-2.png', `downloaded ${files.join(', ')}`);
    const converted = execFileSync('convert', [join(downloads, files[0]), '-depth', '8', 'ppm:-']);
    const saved = Ppm(converted);
    const expected = Rendered(2026, 2, 640, 360);
    Check(saved.width === 640 && saved.height === 360, `PNG of ${saved.width}x${saved.height}`);
    Check(Buffer.compare(saved.rgb, expected.rgb) === 0, 'the PNG\'s pixels differ from the render tool\'s');
    ExpectQuiet(page);
    await ClosePage(page);
  });

  await Case('a key enters full screen; a key, a button or more than 4 pixels of travel end it', async () => {
    const page = await OpenPage(browser, `${base}/?seed=8&picture=1`, {width: 800, height: 500});
    await ShownPicture(page, 1);
    const full = () => Evaluate(page, 'document.fullscreenElement !== null');
    const settle = () => new Promise((resolve) => setTimeout(resolve, 300));
    const key = async () => {
      await page.send('Input.dispatchKeyEvent', {type: 'keyDown', key: 'a', code: 'KeyA', text: 'a'});
      await page.send('Input.dispatchKeyEvent', {type: 'keyUp', key: 'a', code: 'KeyA'});
      await settle();
    };
    const move = async (x, y) => {
      await page.send('Input.dispatchMouseEvent', {type: 'mouseMoved', x, y});
      await settle();
    };
    await key();
    Check(await full(), 'a key did not enter full screen');
    await move(100, 100);
    await move(102, 102);
    Check(await full(), 'a travel of 4 pixels ended full screen');
    await move(103, 102);
    Check(!(await full()), 'a travel of 5 pixels did not end full screen');
    await page.send('Input.dispatchMouseEvent', {type: 'mousePressed', x: 700, y: 450, button: 'left', clickCount: 1});
    await page.send('Input.dispatchMouseEvent', {type: 'mouseReleased', x: 700, y: 450, button: 'left', clickCount: 1});
    await settle();
    Check(await full(), 'a click on the picture did not enter full screen');
    await key();
    Check(!(await full()), 'a key did not end full screen');
    await Evaluate(page, 'document.getElementById("fullscreen").focus()');
    await page.send('Input.dispatchKeyEvent', {type: 'keyDown', key: 'Enter', code: 'Enter', text: '\r'});
    await page.send('Input.dispatchKeyEvent', {type: 'keyUp', key: 'Enter', code: 'Enter'});
    await settle();
    Check(await full(), 'the full-screen button did not answer its key');
    await page.send('Input.dispatchMouseEvent', {type: 'mousePressed', x: 60, y: 60, button: 'right', clickCount: 1});
    await page.send('Input.dispatchMouseEvent', {type: 'mouseReleased', x: 60, y: 60, button: 'right', clickCount: 1});
    await settle();
    Check(!(await full()), 'a button did not end full screen');
    ExpectQuiet(page);
    await ClosePage(page);
  });
} finally {
  await StopBrowser(browser);
  server.stop();
  rmSync(work, {recursive: true, force: true});
}

console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
