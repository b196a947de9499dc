// Shared by the page and its workers: loading the picture module and
// filling a picture's work items with it. Plain script, no modules, so that
// workers load it with importScripts in every browser.
'use strict';

// The smallest module that uses a 128-bit SIMD instruction: where it
// validates, the SIMD build runs.
const kSimdProbe = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8,
  0, 65, 0, 253, 15, 253, 98, 11]);

function BrowserHasSimd() {
  try {
    return typeof WebAssembly === 'object' && WebAssembly.validate(kSimdProbe);
  } catch (error) {
    return false;
  }
}

// The script of the picture module to load: `form` is 'simd', 'scalar' or
// 'auto' (SIMD where the browser has it).
function PictureScript(form) {
  if (form === 'auto') form = BrowserHasSimd() ? 'simd' : 'scalar';
  return 'picture-' + form + '.js';
}

// Plans picture `job` ({seed, picture, width, height, variant}) in
// `module`, which holds one planned picture at a time. Returns the number
// of its work items, or -1 when the module cannot get the picture's memory.
function PlanItems(module, job) {
  return module._OndulitePlan(job.seed >>> 0, job.picture >>> 0, job.width, job.height, job.variant);
}

// The variant of the planned picture.
function PlannedVariant(module) {
  return module._OnduliteVariant();
}

// Fills work item `item` of the planned picture `job`, handing each run of
// window lines it finished to sendLines(firstLine, lineCount, rgba), where
// rgba views the module's memory and is valid only during the call: the
// receiver copies it where it belongs, so no buffer is made per item (a
// fresh buffer costs far more than the copy, in the first touch of its
// memory). Returns false when the module cannot get the lines' memory.
function FillItem(module, job, item, sendLines) {
  const rowBytes = job.width * 4;
  const ranges = module._OnduliteFillItem(item);
  for (let r = 0; r < ranges; ++r) {
    const firstRow = module._OnduliteRangeFirst(r);
    const endRow = module._OnduliteRangeEnd(r);
    const count = module._OnduliteLinesCount(firstRow, endRow);
    if (count === 0) continue;
    const address = module._OnduliteLines(firstRow, endRow);
    if (address === 0) return false;
    // HEAPU8 is read after the call: memory may have grown in it.
    sendLines(module._OnduliteLinesFirst(endRow), count, module.HEAPU8.subarray(address, address + count * rowBytes));
  }
  return true;
}
