// A picture worker: its own instance of the picture module, filling the
// work items the page deals it and sending the finished lines back. Needs
// no shared memory, so the page works from any static file server.
'use strict';
importScripts('render.js');

let pictureModule = null;
let planned = null;  // {job, items}: the picture the module holds
// Buffers of lines that the page has copied and handed back, to be used
// again: a new one for every item would cost more than making its lines.
const spareBuffers = [];
const kMaxSpareBuffers = 64;

function Reply(message, transfer) {
  self.postMessage(message, transfer || []);
}

function KeepSpares(buffers) {
  for (const buffer of buffers || []) if (spareBuffers.length < kMaxSpareBuffers) spareBuffers.push(buffer);
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

// Fills item `item` of picture `id` and sends its lines in one message;
// items of another picture, or beyond the last, are not there to fill.
function FillAndSend(id, item) {
  if (!planned || planned.job.id !== id || item >= planned.items) return;
  const parts = [];
  const transfer = [];
  const ok = FillItem(pictureModule, planned.job, item, function (line, count, rgba) {
    const copy = LinesCopy(rgba);
    parts.push({line: line, count: count, rgba: copy});
    transfer.push(copy.buffer);
  });
  Reply({type: 'item', id: id, item: item, ok: ok, parts: parts}, transfer);
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
    } else if (message.type === 'render') {
      // Every worker plans the picture itself (its 42 draws and palette, well
      // under a millisecond), then fills the items the page deals it.
      const job = message.job;
      const items = PlanItems(pictureModule, job);
      planned = items >= 0 ? {job: job, items: items} : null;
      Reply({type: 'planned', id: job.id, items: items, variant: items >= 0 ? PlannedVariant(pictureModule) : -1});
      message.items.forEach(function (item) { FillAndSend(job.id, item); });
    } else if (message.type === 'fill') {
      KeepSpares(message.spares);
      FillAndSend(message.id, message.item);
    } else if (message.type === 'spare') {
      KeepSpares(message.spares);
    }
  } catch (error) {
    Reply({type: 'failed', text: String(error && error.message || error)});
  }
};
