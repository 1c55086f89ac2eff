// Shared pieces of the MCP client tests: starting the built program behind the official SDK
// client on a simulated desktop, reading its event log, and the repository's schemas.
import { Client } from '@modelcontextprotocol/sdk/client/index.js';
import { StdioClientTransport } from '@modelcontextprotocol/sdk/client/stdio.js';
import { LoggingMessageNotificationSchema } from '@modelcontextprotocol/sdk/types.js';
import Ajv2020 from 'ajv/dist/2020.js';
import { spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, readdirSync, existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
export const repositoryRoot = join(here, '..', '..');
export const scenarioDir = process.env.ORVEL_SCENARIO_DIR ?? join(repositoryRoot, 'scenarios');
export const binary = process.env.ORVEL_BINARY;

function requireBinary() {
  if (!binary) throw new Error('ORVEL_BINARY must name the built orvel-computer-control');
}

export function scenario(name) {
  return join(scenarioDir, name);
}

// A fresh event log path for one program run.
export function eventLogPath() {
  return join(mkdtempSync(join(tmpdir(), 'orvel-mcp-')), 'events.jsonl');
}

// The SDK client connected to `orvel-computer-control --mcp` on the given scenario; every log
// notification is collected in `messages`.
export async function connect({ scenarioFile, eventLog } = {}) {
  requireBinary();
  const env = { ...process.env };
  delete env.ORVEL_SIM_DESKTOP;
  delete env.ORVEL_SIM_EVENT_LOG;
  if (scenarioFile) env.ORVEL_SIM_DESKTOP = scenarioFile;
  if (eventLog) env.ORVEL_SIM_EVENT_LOG = eventLog;
  const transport = new StdioClientTransport({ command: binary, args: ['--mcp'], env, stderr: 'pipe' });
  let stderr = '';
  transport.stderr?.on('data', (chunk) => { stderr += chunk; });
  const client = new Client({ name: 'orvel-mcp-client-tests', version: '1.0.0' });
  const messages = [];
  const waiters = [];
  client.setNotificationHandler(LoggingMessageNotificationSchema, (notification) => {
    messages.push(notification.params);
    for (const waiter of waiters.splice(0)) waiter();
  });
  await client.connect(transport);
  return {
    client,
    transport,
    messages,
    stderr: () => stderr,
    // Resolves with the first log notification that satisfies `match`, or fails after `ms`.
    async waitForMessage(match, ms = 10000, context = undefined) {
      const deadline = Date.now() + ms;
      for (;;) {
        const found = messages.find(match);
        if (found) return found;
        const left = deadline - Date.now();
        if (left <= 0) {
          throw new Error('no matching log notification; got ' + JSON.stringify(messages) +
            (context === undefined ? '' : ' after ' + JSON.stringify(context)));
        }
        await new Promise((resolve) => {
          const timer = setTimeout(resolve, left);
          waiters.push(() => { clearTimeout(timer); resolve(); });
        });
      }
    },
    async close() { await client.close(); },
  };
}

// The program started directly, for the exchanges the SDK client never makes (other protocol
// revisions, messages before initialize): send lines, read lines.
export function startRaw({ scenarioFile } = {}) {
  requireBinary();
  const env = { ...process.env };
  delete env.ORVEL_SIM_EVENT_LOG;
  if (scenarioFile) env.ORVEL_SIM_DESKTOP = scenarioFile; else delete env.ORVEL_SIM_DESKTOP;
  const child = spawn(binary, ['--mcp'], { env, stdio: ['pipe', 'pipe', 'pipe'] });
  const lines = [];
  const waiters = [];
  let partial = '';
  child.stdout.setEncoding('utf8');
  child.stdout.on('data', (chunk) => {
    partial += chunk;
    let end;
    while ((end = partial.indexOf('\n')) >= 0) {
      lines.push(JSON.parse(partial.slice(0, end)));
      partial = partial.slice(end + 1);
    }
    for (const waiter of waiters.splice(0)) waiter();
  });
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
  return {
    child,
    lines,
    exited,
    send(message) { child.stdin.write((typeof message === 'string' ? message : JSON.stringify(message)) + '\n'); },
    async waitForLine(match, ms = 10000) {
      const deadline = Date.now() + ms;
      for (;;) {
        const found = lines.find(match);
        if (found) return found;
        const left = deadline - Date.now();
        if (left <= 0) throw new Error('no matching line; got ' + JSON.stringify(lines));
        await new Promise((resolve) => {
          const timer = setTimeout(resolve, left);
          waiters.push(() => { clearTimeout(timer); resolve(); });
        });
      }
    },
    async request(id, method, params) {
      this.send({ jsonrpc: '2.0', id, method, ...(params === undefined ? {} : { params }) });
      return this.waitForLine((line) => line.id === id);
    },
    async end() { child.stdin.end(); return exited; },
  };
}

export const initializeParams = (protocolVersion) => ({
  protocolVersion,
  capabilities: {},
  clientInfo: { name: 'raw-test-client', version: '1.0.0' },
});

// Every event the simulated desktop logged, one object per line.
export function readEventLog(path) {
  if (!existsSync(path)) return [];
  return readFileSync(path, 'utf8').split('\n').filter((line) => line.length > 0).map((line) => JSON.parse(line));
}

// Keys and buttons the program pressed and never let go of, according to the event log.
export function heldAtEnd(events) {
  const held = new Map();
  const pairs = {
    keyDown: ['key', 1], keyUp: ['key', -1],
    leftMouseDown: ['left', 1], leftMouseUp: ['left', -1],
    rightMouseDown: ['right', 1], rightMouseUp: ['right', -1],
    otherMouseDown: ['other', 1], otherMouseUp: ['other', -1],
  };
  for (const event of events) {
    if (event.source !== 'program' || !(event.kind in pairs)) continue;
    const [what, change] = pairs[event.kind];
    const key = what === 'key' ? `key ${event.keyCode}` : `button ${what}`;
    held.set(key, (held.get(key) ?? 0) + change);
  }
  return [...held].filter(([, count]) => count !== 0).map(([key]) => key);
}

// The repository's schemas in one validator, each under its file name.
export function schemaValidator() {
  const ajv = new Ajv2020({ allErrors: true, strict: false });
  const dir = join(repositoryRoot, 'schemas');
  for (const name of readdirSync(dir).filter((file) => file.endsWith('.json'))) {
    ajv.addSchema(JSON.parse(readFileSync(join(dir, name), 'utf8')), name);
  }
  return ajv;
}

// The example arguments the README shows for each tool.
export function readmeExamples() {
  const readme = readFileSync(join(repositoryRoot, 'README.md'), 'utf8');
  const match = readme.match(/<!-- mcp-tool-examples -->\s*```json\n([\s\S]*?)```/);
  if (!match) throw new Error('README.md has no mcp-tool-examples block');
  return JSON.parse(match[1]);
}

// Width and height from a PNG's header, or null when the bytes are not a PNG.
export function pngSize(bytes) {
  const signature = [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a];
  if (bytes.length < 24 || signature.some((byte, i) => bytes[i] !== byte)) return null;
  if (bytes.toString('ascii', 12, 16) !== 'IHDR') return null;
  return { width: bytes.readUInt32BE(16), height: bytes.readUInt32BE(20) };
}

// Inflates a PNG's image data and checks it holds exactly one filtered row per pixel row:
// true only for a PNG that really decodes.
export async function pngDecodes(bytes) {
  const { inflateSync } = await import('node:zlib');
  const size = pngSize(bytes);
  if (!size) return false;
  const bitDepth = bytes[24];
  const channels = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 }[bytes[25]];
  if (!channels || bitDepth !== 8) return false;
  const parts = [];
  for (let offset = 8; offset + 8 <= bytes.length;) {
    const length = bytes.readUInt32BE(offset);
    const type = bytes.toString('ascii', offset + 4, offset + 8);
    if (type === 'IDAT') parts.push(bytes.subarray(offset + 8, offset + 8 + length));
    if (type === 'IEND') break;
    offset += 12 + length;
  }
  const pixels = inflateSync(Buffer.concat(parts));
  return pixels.length === size.height * (1 + size.width * channels);
}
