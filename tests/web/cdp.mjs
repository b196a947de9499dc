// A headless Chromium driven through the DevTools protocol over a pipe
// (--remote-debugging-pipe: commands in on fd 3, answers out on fd 4, each
// message JSON ended by a NUL), which needs no network and no packages.
import {spawn} from 'node:child_process';
import {mkdtempSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';

export async function StartBrowser(extraFlags = []) {
  const profile = mkdtempSync(join(tmpdir(), 'ondulite-chromium-'));
  const child = spawn('chromium', [
    '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
    '--disable-component-update', '--no-first-run', '--no-default-browser-check',
    `--user-data-dir=${profile}`, '--remote-debugging-pipe', ...extraFlags, 'about:blank',
  ], {stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe']});
  let stderr = '';
  child.stdio[2].on('data', (chunk) => { stderr = (stderr + chunk).slice(-4000); });
  const browser = {child, profile, nextId: 1, pending: new Map(), listeners: new Map(), closed: false};
  let buffered = Buffer.alloc(0);
  child.stdio[4].on('data', (chunk) => {
    buffered = Buffer.concat([buffered, chunk]);
    let end;
    while ((end = buffered.indexOf(0)) >= 0) {
      const message = JSON.parse(buffered.subarray(0, end).toString('utf8'));
      buffered = buffered.subarray(end + 1);
      if (message.id !== undefined) {
        const waiter = browser.pending.get(message.id);
        browser.pending.delete(message.id);
        if (!waiter) continue;
        if (message.error) waiter.reject(new Error(`${waiter.method}: ${message.error.message}`));
        else waiter.resolve(message.result);
      } else {
        const listener = browser.listeners.get(message.sessionId || '');
        if (listener) listener(message.method, message.params);
      }
    }
  });
  child.on('exit', () => {
    browser.closed = true;
    for (const waiter of browser.pending.values()) waiter.reject(new Error(`chromium ended: ${stderr}`));
    browser.pending.clear();
  });
  browser.send = (method, params = {}, sessionId = undefined) => new Promise((resolve, reject) => {
    if (browser.closed) {
      reject(new Error(`chromium ended: ${stderr}`));
      return;
    }
    const id = browser.nextId++;
    browser.pending.set(id, {resolve, reject, method});
    child.stdio[3].write(JSON.stringify({id, method, params, sessionId}) + '\0');
  });
  await browser.send('Browser.getVersion');
  return browser;
}

export async function StopBrowser(browser) {
  if (!browser.closed) {
    const ended = new Promise((resolve) => browser.child.once('exit', resolve));
    browser.send('Browser.close').catch(() => {});
    await Promise.race([ended, new Promise((resolve) => setTimeout(resolve, 5000))]);
    if (!browser.closed) browser.child.kill('SIGKILL');
  }
  rmSync(browser.profile, {recursive: true, force: true});
}

// A new tab of `width` x `height` CSS pixels at `scale` device pixels per
// CSS pixel, showing `url`. page.problems collects every exception,
// console error or warning and error or warning log entry.
export async function OpenPage(browser, url, {width, height, scale = 1} = {}) {
  const {targetId} = await browser.send('Target.createTarget', {url: 'about:blank'});
  const {sessionId} = await browser.send('Target.attachToTarget', {targetId, flatten: true});
  const page = {browser, targetId, sessionId, problems: [], waiters: []};
  browser.listeners.set(sessionId, (method, params) => {
    if (method === 'Runtime.exceptionThrown') {
      page.problems.push(`exception: ${params.exceptionDetails.exception?.description || params.exceptionDetails.text}`);
    } else if (method === 'Runtime.consoleAPICalled' && ['error', 'warning', 'assert'].includes(params.type)) {
      page.problems.push(`console ${params.type}: ${params.args.map((a) => a.value ?? a.description).join(' ')}`);
    } else if (method === 'Log.entryAdded' && ['error', 'warning'].includes(params.entry.level)) {
      page.problems.push(`log ${params.entry.level}: ${params.entry.text} ${params.entry.url || ''}`);
    }
    for (const waiter of page.waiters.filter((w) => w.method === method)) {
      page.waiters.splice(page.waiters.indexOf(waiter), 1);
      waiter.resolve(params);
    }
  });
  page.send = (method, params = {}) => browser.send(method, params, sessionId);
  page.once = (method) => new Promise((resolve) => page.waiters.push({method, resolve}));
  await page.send('Runtime.enable');
  await page.send('Log.enable');
  await page.send('Page.enable');
  if (width) {
    await page.send('Emulation.setDeviceMetricsOverride', {width, height, deviceScaleFactor: scale, mobile: false});
  }
  if (url) await Navigate(page, url);
  return page;
}

export async function Navigate(page, url) {
  const loaded = page.once('Page.loadEventFired');
  await page.send('Page.navigate', {url});
  await loaded;
}

export async function ClosePage(page) {
  page.browser.listeners.delete(page.sessionId);
  await page.browser.send('Target.closeTarget', {targetId: page.targetId});
}

// The value of `expression` in the page, promises awaited; a script error
// becomes an exception here.
export async function Evaluate(page, expression) {
  const answer = await page.send('Runtime.evaluate', {expression, awaitPromise: true, returnByValue: true,
    userGesture: false});
  if (answer.exceptionDetails) {
    throw new Error(`in the page: ${answer.exceptionDetails.exception?.description || answer.exceptionDetails.text}`);
  }
  return answer.result.value;
}

// Serves `folder` on 127.0.0.1 with Python's plain static file server, on a
// free port: what the README says any static server does. Resolves to
// {url, stop}.
export function ServeFolder(folder) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', folder],
      {stdio: ['ignore', 'pipe', 'pipe']});
    let said = '';
    const limit = setTimeout(() => {
      server.kill();
      reject(new Error(`the static file server did not start: ${said}`));
    }, 10000);
    const listen = (chunk) => {
      said = (said + chunk).slice(-4000);
      const port = said.match(/ port (\d+) /);
      if (!port) return;
      clearTimeout(limit);
      server.stdout.off('data', listen);
      server.stdout.resume();
      server.stderr.resume();
      resolve({url: `http://127.0.0.1:${port[1]}`, stop: () => server.kill()});
    };
    server.stdout.on('data', listen);
    server.stderr.on('data', (chunk) => { said = (said + chunk).slice(-4000); });
    server.on('exit', () => {
      clearTimeout(limit);
      reject(new Error(`the static file server ended: ${said}`));
    });
  });
}
