// A picture worker: its own instance of the picture module, filling the
// work items the page deals it and sending the finished lines back. Needs
// no shared memory, so the page works from any static file server.
'use strict';
importScripts('render.js');

let pictureModule = null;
// Buffers of lines that the page has copied and handed back, to be used
// again: a new one for every item would cost more than making its lines.
const spareBuffers = [];
const kMaxSpareBuffers = 64;

function Reply(message, transfer) {
  self.postMessage(message, transfer || []);
}

// A copy of `rgba` in a spare buffer, or a new one when none is big enough.
function LinesCopy(rgba) {
  let buffer = null;
  while (spareBuffers.length > 0 && !buffer) {
    const spare = spareBuffers.pop();
    if (spare.byteLength >= rgba.length) buffer = spare;  // smaller ones are of an older window size
  }
  const copy = new Uint8Array(buffer || new ArrayBuffer(rgba.length), 0, rgba.length);
  copy.set(rgba);
  return copy;
}

self.onmessage = function (event) {
  const message = event.data;
  try {
    if (message.type === 'load') {
      importScripts(message.script);
      createOndulitePicture().then(function (module) {
        pictureModule = module;
        Reply({type: 'ready', kernel: module.UTF8ToString(module._OnduliteKernelName())});
      }, function (error) {
        Reply({type: 'failed', text: String(error)});
      });
    } else if (message.type === 'spare') {
      if (spareBuffers.length < kMaxSpareBuffers) spareBuffers.push(message.buffer);
    } else if (message.type === 'render') {
      const job = message.job;
      const result = RenderItems(pictureModule, job, message.first, message.step, function (line, count, rgba) {
        const copy = LinesCopy(rgba);
        Reply({type: 'lines', id: job.id, line: line, count: count, rgba: copy}, [copy.buffer]);
      });
      Reply({type: 'done', id: job.id, ok: result !== null, variant: result ? result.variant : -1});
    }
  } catch (error) {
    Reply({type: 'failed', text: String(error && error.message || error)});
  }
};
