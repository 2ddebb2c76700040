// The same pictures as picture_bench, converted by @point-of-sale/receipt-printer-encoder:
// image() and encode() of a new encoder per run, in each of its modes (column, raster) with each
// method both have. Prints "picture 576x800 floyd-steinberg raster: 12.345 ms" lines, as
// picture_bench does. Arguments: the folder it is installed in (npm install --prefix) and the
// folder of picture_bench's raw grey pictures.
import { readFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';

const [installed, pictures] = process.argv.slice(2);
const { default: ReceiptPrinterEncoder } = await import(pathToFileURL(
    `${installed}/node_modules/@point-of-sale/receipt-printer-encoder/dist/receipt-printer-encoder.mjs`).href);

const methods = [['threshold', 'threshold'], ['floyd-steinberg', 'floydsteinberg'], ['atkinson', 'atkinson']];
for (const [width, height, runs] of [[576, 800, 31], [2048, 2048, 7]]) {
    const size = `${width}x${height}`;
    const grey = readFileSync(`${pictures}/grey-${size}.raw`);
    const rgba = new Uint8ClampedArray(width * height * 4);
    for (let i = 0; i < grey.length; i++) {
        rgba[4 * i] = rgba[4 * i + 1] = rgba[4 * i + 2] = grey[i];
        rgba[4 * i + 3] = 255;
    }
    for (const [ours, theirs] of methods) {
        for (const mode of ['column', 'raster']) {
            const times = [];
            for (let i = 0; i < runs; i++) {
                const start = process.hrtime.bigint();
                const encoder = new ReceiptPrinterEncoder({ language: 'esc-pos', imageMode: mode });
                encoder.image({ data: rgba, width, height }, width, height, theirs, 128).encode();
                times.push(Number(process.hrtime.bigint() - start) / 1e6);
            }
            times.sort((a, b) => a - b);
            console.log(`picture ${size} ${ours} ${mode}: ${times[Math.floor(times.length / 2)].toFixed(3)} ms`);
        }
    }
}
