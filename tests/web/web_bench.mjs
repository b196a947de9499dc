// One 1920x1080 picture in headless Chromium, from its start to its
// showing on the canvas, next to the native fast path on one thread, in
// the same run. Prints the figures; judges nothing.
// Usage: web_bench.mjs SITE_FOLDER NATIVE_BENCH
import {execFileSync} from 'node:child_process';

import {ClosePage, Evaluate, OpenPage, ServeFolder, StartBrowser, StopBrowser} from './cdp.mjs';

const [site, nativeBench] = process.argv.slice(2);
const kPictures = 6;

// The best time of pictures 2 to kPictures (the first one warms up).
async function BrowserTime(page, query) {
  await page.send('Page.navigate', {url: `${base}/?seed=2026&picture=1&${query}`});
  return Evaluate(page, `new Promise(function (resolve, reject) {
    const limit = setTimeout(function () { reject(new Error('no pictures')); }, 60000);
    const times = [];
    addEventListener('ondulite-shown', function () {
      const state = window.onduliteState;
      if (state.shown.picture > 1) times.push(state.shown.ms);
      if (times.length === ${kPictures - 1}) {
        clearTimeout(limit);
        resolve({best: Math.min.apply(null, times), kernel: state.kernel, threads: state.threads,
          size: state.shown.width + 'x' + state.shown.height});
      }
    });
  })`);
}

const server = await ServeFolder(site);
const base = server.url;
const browser = await StartBrowser();
const version = (await browser.send('Browser.getVersion')).product;
try {
  const page = await OpenPage(browser, null, {width: 1920, height: 1080});
  for (const [label, query] of [
    ['workers, SIMD, variant 0', 'variant=0'], ['workers, SIMD, variant 4', 'variant=4'],
    ['workers, scalar, variant 0', 'variant=0&simd=0'],
    ['1 thread, SIMD, variant 0', 'variant=0&threads=1'], ['1 thread, SIMD, variant 4', 'variant=4&threads=1'],
    ['1 thread, scalar, variant 0', 'variant=0&threads=1&simd=0'],
  ]) {
    const time = await BrowserTime(page, query);
    console.log(`${version} ${time.size} ${label} (${time.kernel}, ${time.threads} threads): ` +
      `${time.best.toFixed(1)} ms best of ${kPictures - 1}`);
  }
  await ClosePage(page);
} finally {
  await StopBrowser(browser);
  server.stop();
}

// The processor's own instruction set, and SSE2, as wide as WebAssembly's.
for (const simd of [[], ['--simd=sse2']]) {
  const report = JSON.parse(execFileSync(nativeBench, [...simd, '--quick', '--benchmark_filter=^fast/1920x1080/one_thread',
    '--benchmark_repetitions=3', '--benchmark_format=json'], {maxBuffer: 1 << 24}).toString());
  const best = new Map();
  for (const run of report.benchmarks.filter((b) => b.run_type === 'iteration')) {
    const name = run.run_name || run.name;
    best.set(name, Math.min(best.get(name) ?? Infinity, run.ms_per_picture));
  }
  for (const [name, ms] of best) {
    console.log(`native ${report.context.fast_path_simd} ${name}: ${ms.toFixed(1)} ms best of 3`);
  }
}
