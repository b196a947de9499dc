// The page behaves like the saver: a picture at the window's physical
// pixels, a new one a second after the previous one is shown, none while
// the page is hidden; full screen on a click or a key, ended there by a
// key, a button or more than 4 pixels of pointer travel.
'use strict';
(function () {
  const kMaxNumber = 4294967295;
  const kMaxSide = 16384;
  const kPauseMs = 1000;
  const kTravelTolerance = 4;

  const canvas = document.getElementById('picture');
  const context = canvas.getContext('2d');
  const panel = document.getElementById('panel');
  const details = document.getElementById('details');
  const saveButton = document.getElementById('save');
  const infoButton = document.getElementById('info');
  const fullscreenButton = document.getElementById('fullscreen');
  const Say = window.onduliteSay;

  // What the page has done, for the details line and for tests.
  const state = window.onduliteState = {
    started: 0,      // pictures begun
    shownCount: 0,   // pictures shown
    shown: null,     // {seed, picture, variant, forcedVariant, width, height, ms}
    kernel: '',
    threads: 0,
  };

  // Whole numbers from min to max; anything else is a problem and null.
  function ReadParameters(search, problems) {
    const params = new URLSearchParams(search);
    function Whole(name, min, max) {
      if (!params.has(name)) return null;
      const text = params.get(name);
      if (/^[0-9]{1,10}$/.test(text) && Number(text) >= min && Number(text) <= max) return Number(text);
      const shown = text.length > 24 ? text.slice(0, 24) + '...' : text;
      problems.push(name + ' wants a whole number from ' + min + ' to ' + max + ', not "' + shown + '"');
      return null;
    }
    const simd = Whole('simd', 0, 1);
    return {
      seed: Whole('seed', 0, kMaxNumber),
      picture: Whole('picture', 1, kMaxNumber),
      variant: Whole('variant', 0, 7),
      threads: Whole('threads', 1, 64),
      simd: simd === null ? 'auto' : simd === 1 ? 'simd' : 'scalar',
    };
  }

  const problems = [];
  const options = ReadParameters(window.location.search, problems);
  if (problems.length > 0) Say('This address has ' + problems.join('; ') + '. Showing the defaults instead.');

  const sequence = {
    seed: options.seed !== null ? options.seed : Math.floor(Date.now() / 1000) >>> 0,
    next: options.picture !== null ? options.picture : 1,
    variant: options.variant !== null ? options.variant : -1,
  };

  // The canvas covers the window at the display's physical pixels; the
  // picture is made at the even-rounded size and clipped, as in the saver.
  function WindowSize() {
    const ratio = window.devicePixelRatio || 1;
    const side = function (css) { return Math.min(kMaxSide, Math.max(1, Math.round(css * ratio))); };
    return {width: side(window.innerWidth), height: side(window.innerHeight)};
  }

  // The picture makers: workers with instances of their own (no shared
  // memory needed), or the page's own instance where workers cannot run.
  function LoadScript(source) {
    return new Promise(function (resolve, reject) {
      const script = document.createElement('script');
      script.src = source;
      script.onload = resolve;
      script.onerror = function () { reject(new Error('cannot load ' + source)); };
      document.head.appendChild(script);
    });
  }

  function StartOnPage(script) {
    return LoadScript(script).then(function () { return createOndulitePicture(); }).then(function (module) {
      return {module: module, workers: [], kernel: module.UTF8ToString(module._OnduliteKernelName()), image: null};
    });
  }

  function StartWorkers(script, count) {
    const engine = {module: null, workers: [], kernel: '', listener: null, image: null};
    const ready = [];
    for (let i = 0; i < count; ++i) {
      const worker = new Worker('worker.js');
      engine.workers.push(worker);
      ready.push(new Promise(function (resolve, reject) {
        worker.onmessage = function (event) {
          const message = event.data;
          if (message.type === 'ready') {
            engine.kernel = message.kernel;
            resolve();
          } else if (message.type === 'failed') {
            reject(new Error(message.text));
            if (engine.listener) engine.listener.fail(new Error(message.text));
          } else if (engine.listener) {
            engine.listener.take(message, worker);
          }
        };
        worker.onerror = function (event) {
          event.preventDefault();
          const error = new Error('a picture worker failed: ' + (event.message || 'it could not start'));
          reject(error);
          if (engine.listener) engine.listener.fail(error);
        };
      }));
      worker.postMessage({type: 'load', script: script});
    }
    return Promise.all(ready).then(function () { return engine; }, function (error) {
      engine.workers.forEach(function (worker) { worker.terminate(); });
      throw error;
    });
  }

  function StartEngine() {
    const script = PictureScript(options.simd);
    const cores = navigator.hardwareConcurrency || 1;
    const count = options.threads !== null ? options.threads : Math.min(cores, 16);
    if (count > 1 && typeof Worker === 'function') {
      // A page opened from a file, or a browser that refuses workers, still
      // gets its pictures, on one thread.
      return StartWorkers(script, count).catch(function () { return StartOnPage(script); });
    }
    return StartOnPage(script);
  }

  // The picture's ImageData, kept from picture to picture of one size: the
  // first touch of a new one's 8 MB (at 1920x1080) costs more than making
  // the picture on both cores. Every line is written anew each picture.
  function PictureImage(engine, job) {
    const image = engine.image;
    if (image && image.width === job.width && image.height === job.height) return image;
    engine.image = new ImageData(job.width, job.height);
    return engine.image;
  }

  // Resolves to {image, variant}, or null when there is not memory enough.
  function Render(engine, job) {
    const image = PictureImage(engine, job);
    const rowBytes = job.width * 4;
    if (engine.workers.length === 0) {
      const items = PlanItems(engine.module, job);
      if (items < 0) return Promise.resolve(null);
      for (let item = 0; item < items; ++item) {
        const ok = FillItem(engine.module, job, item, function (line, count, rgba) {
          image.data.set(rgba, line * rowBytes);
        });
        if (!ok) return Promise.resolve(null);
      }
      return Promise.resolve({image: image, variant: PlannedVariant(engine.module)});
    }
    // The items are dealt as the workers finish them, two ahead each, so a
    // worker on a core that something else keeps busy takes fewer of them
    // and none waits for the next one.
    return new Promise(function (resolve, reject) {
      const workers = engine.workers.length;
      let items = -1;  // known from the first worker's plan
      let nextItem = 2 * workers;
      let filled = 0;
      let variant = -1;
      let finished = false;
      function Finish(result) {
        finished = true;
        resolve(result);
      }
      engine.listener = {
        take: function (message, worker) {
          const current = message.id === job.id && !finished;
          // Lines of a dropped picture are not copied; their buffers go back either way.
          const spares = [];
          if (message.type === 'item') {
            message.parts.forEach(function (part) {
              if (current) image.data.set(part.rgba, part.line * rowBytes);
              spares.push(part.rgba.buffer);
            });
          }
          if (current && message.type === 'planned') {
            items = message.items;
            variant = message.variant;
            if (items < 0) Finish(null);
          } else if (current && message.type === 'item') {
            filled += 1;
            if (!message.ok) Finish(null);
            else if (filled === items) Finish({image: image, variant: variant});
            if (nextItem < items && !finished) {
              worker.postMessage({type: 'fill', id: job.id, item: nextItem++, spares: spares}, spares);
              return;
            }
          }
          if (spares.length > 0) worker.postMessage({type: 'spare', spares: spares}, spares);
        },
        fail: reject,
      };
      engine.workers.forEach(function (worker, i) {
        worker.postMessage({type: 'render', job: job, items: [i, i + workers]});
      });
    });
  }

  const loop = {engine: null, job: null, timer: 0, waitingForVisible: false, jobs: 0, stopped: false};

  function Address(shown) {
    const params = new URLSearchParams();
    params.set('seed', String(shown.seed));
    params.set('picture', String(shown.picture));
    if (shown.forcedVariant >= 0) params.set('variant', String(shown.forcedVariant));
    if (options.threads !== null) params.set('threads', String(options.threads));
    if (options.simd !== 'auto') params.set('simd', options.simd === 'simd' ? '1' : '0');
    return '?' + params.toString();
  }

  function UpdateDetails() {
    const shown = state.shown;
    if (!shown) {
      details.textContent = 'The first picture is being made.';
      return;
    }
    const command = 'ondulite-render --seed ' + shown.seed + ' --picture ' + shown.picture +
      (shown.forcedVariant >= 0 ? ' --variant ' + shown.forcedVariant : '') +
      ' --size ' + shown.width + 'x' + shown.height;
    details.textContent = 'Seed ' + shown.seed + ', picture ' + shown.picture + ', variant ' + shown.variant +
      ', ' + shown.width + 'x' + shown.height + ' pixels, made in ' + Math.round(shown.ms) + ' ms on ' +
      state.threads + (state.threads === 1 ? ' thread' : ' threads') + ' (' + state.kernel + '). The same picture: ';
    const code = document.createElement('code');
    code.textContent = command;
    details.appendChild(code);
  }

  // `start` is when the picture was begun: its time runs to its showing.
  function Show(job, result, start) {
    if (canvas.width !== job.width || canvas.height !== job.height) {
      canvas.width = job.width;
      canvas.height = job.height;
    }
    context.putImageData(result.image, 0, 0);
    const ms = performance.now() - start;
    state.shown = {seed: job.seed, picture: job.picture, variant: result.variant, forcedVariant: job.variant,
      width: job.width, height: job.height, ms: ms};
    state.shownCount += 1;
    window.history.replaceState(null, '', Address(state.shown));
    saveButton.disabled = false;
    if (!details.hidden) UpdateDetails();
    window.dispatchEvent(new CustomEvent('ondulite-shown'));
  }

  function MakeNext() {
    loop.timer = 0;
    if (loop.stopped || loop.job) return;
    if (document.hidden) {
      loop.waitingForVisible = true;
      return;
    }
    if (sequence.next > kMaxNumber) return;  // the last picture a number names
    const size = WindowSize();
    const job = {id: ++loop.jobs, seed: sequence.seed, picture: sequence.next, width: size.width,
      height: size.height, variant: sequence.variant};
    sequence.next += 1;
    loop.job = job;
    state.started += 1;
    const start = performance.now();
    let made;
    try {
      made = Render(loop.engine, job);
    } catch (error) {
      made = Promise.reject(error);
    }
    made.then(function (result) {
      if (loop.job !== job) return;  // dropped for a new window size
      loop.job = null;
      if (!result) {
        loop.stopped = true;
        Say('Not enough memory for a ' + job.width + 'x' + job.height + ' picture.');
        return;
      }
      Show(job, result, start);
      loop.timer = window.setTimeout(MakeNext, kPauseMs);
    }, function (error) {
      loop.job = null;
      loop.stopped = true;
      Say('Error: ' + (error && error.message ? error.message : String(error)) + '.');
    });
  }

  // A new window size drops the picture in progress (its place in the
  // sequence with it, as in the saver) and cuts the pause short.
  let resizeTimer = 0;
  window.addEventListener('resize', function () {
    window.clearTimeout(resizeTimer);
    resizeTimer = window.setTimeout(function () {
      const size = WindowSize();
      const current = loop.job || state.shown;
      if (!loop.engine || !current || (current.width === size.width && current.height === size.height)) return;
      loop.job = null;
      if (loop.timer) window.clearTimeout(loop.timer);
      MakeNext();
    }, 100);
  });

  document.addEventListener('visibilitychange', function () {
    if (!document.hidden && loop.waitingForVisible) {
      loop.waitingForVisible = false;
      MakeNext();
    }
  });

  // Full screen, and the saver's dismissal rules while in it.
  let travelFrom = null;
  function InFullScreen() {
    return !!document.fullscreenElement;
  }
  function EnterFullScreen() {
    const root = document.documentElement;
    if (InFullScreen() || !root.requestFullscreen) return;
    root.requestFullscreen().catch(function () { Say('This browser did not allow full screen here.'); });
  }
  function LeaveFullScreen() {
    if (InFullScreen()) document.exitFullscreen().catch(function () {});
  }
  document.addEventListener('fullscreenchange', function () { travelFrom = null; });

  canvas.addEventListener('click', EnterFullScreen);
  fullscreenButton.addEventListener('click', EnterFullScreen);
  document.addEventListener('keydown', function (event) {
    if (InFullScreen()) {
      if (!event.repeat) {
        event.preventDefault();
        LeaveFullScreen();
      }
      return;
    }
    // The controls keep their keys; Tab and the modifiers move around.
    if (event.target !== document.body && panel.contains(event.target)) return;
    if (event.ctrlKey || event.altKey || event.metaKey || event.repeat) return;
    if (['Tab', 'Shift', 'Control', 'Alt', 'Meta', 'Escape', 'CapsLock'].indexOf(event.key) >= 0) return;
    event.preventDefault();
    EnterFullScreen();
  });
  document.addEventListener('mousedown', function (event) {
    if (!InFullScreen()) return;
    event.preventDefault();
    LeaveFullScreen();
  }, true);
  // Travel in physical pixels from where the pointer was first seen in
  // full screen; screen coordinates do not jump as the window grows.
  document.addEventListener('mousemove', function (event) {
    if (!InFullScreen()) return;
    if (!travelFrom) {
      travelFrom = {x: event.screenX, y: event.screenY};
      return;
    }
    const ratio = window.devicePixelRatio || 1;
    const travel = (Math.abs(event.screenX - travelFrom.x) + Math.abs(event.screenY - travelFrom.y)) * ratio;
    if (travel > kTravelTolerance) LeaveFullScreen();
  });

  infoButton.addEventListener('click', function () {
    details.hidden = !details.hidden;
    infoButton.setAttribute('aria-expanded', String(!details.hidden));
    if (!details.hidden) UpdateDetails();
  });

  // The picture on the canvas, at full resolution, as a PNG file.
  saveButton.addEventListener('click', function () {
    const shown = state.shown;
    if (!shown) return;
    canvas.toBlob(function (blob) {
      if (!blob) {
        Say('The picture could not be saved.');
        return;
      }
      const link = document.createElement('a');
      link.href = URL.createObjectURL(blob);
      link.download = 'ondulite-' + shown.seed + '-' + shown.picture + '.png';
      document.body.appendChild(link);
      link.click();
      link.remove();
      window.setTimeout(function () { URL.revokeObjectURL(link.href); }, 60000);
    }, 'image/png');
  });

  StartEngine().then(function (engine) {
    loop.engine = engine;
    state.kernel = engine.kernel;
    state.threads = Math.max(1, engine.workers.length);
    MakeNext();
  }, function (error) {
    Say('The pictures cannot be made here: ' + (error && error.message ? error.message : error) + '.');
  });
})();
