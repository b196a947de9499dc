// A picture worker: its own instance of the picture module, filling the
// work items the page deals it and sending the finished lines back. Needs
// no shared memory, so the page works from any static file server.
'use strict';
importScripts('render.js');

let pictureModule = null;

function Reply(message, transfer) {
  self.postMessage(message, transfer || []);
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
      const job = message.job;
      const result = RenderItems(pictureModule, job, message.first, message.step, function (line, count, rgba) {
        Reply({type: 'lines', id: job.id, line: line, count: count, rgba: rgba}, [rgba.buffer]);
      });
      Reply({type: 'done', id: job.id, ok: result !== null, variant: result ? result.variant : -1});
    }
  } catch (error) {
    Reply({type: 'failed', text: String(error && error.message || error)});
  }
};
