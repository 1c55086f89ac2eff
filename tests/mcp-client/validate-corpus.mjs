// Validates the protocol corpus the engine tests leave behind (ORVEL_PROTOCOL_CORPUS): every
// event line against event.json, every response against response.json, and every successful
// response against its operation's result schema.
// Usage: node validate-corpus.mjs <corpus.jsonl>
import { readFileSync } from 'node:fs';
import { schemaValidator } from './support.mjs';

const corpusPath = process.argv[2];
const ajv = schemaValidator();
const records = readFileSync(corpusPath, 'utf8').split('\n').filter((line) => line.length > 0).map((line) => JSON.parse(line));
const failures = [];
const counts = { results: 0, failures: 0, events: 0 };

function check(schema, value, test) {
  if (!ajv.validate(schema, value)) {
    failures.push(`${test}: ${schema}: ${ajv.errorsText(ajv.errors)}\n    ${JSON.stringify(value).slice(0, 400)}`);
  }
}

for (const record of records) {
  const opById = new Map();
  for (const line of record.requests) {
    let request;
    try { request = JSON.parse(line); } catch { continue; }
    if (request && typeof request === 'object' && typeof request.id === 'string' && !opById.has(request.id)) {
      opById.set(request.id, typeof request.op === 'string' ? request.op : '');
    }
  }
  for (const text of record.output) {
    let line;
    try { line = JSON.parse(text); } catch {
      failures.push(`${record.test}: an output line is not JSON: ${text.slice(0, 200)}`);
      continue;
    }
    if (line && typeof line === 'object' && 'event' in line) {
      counts.events += 1;
      check('event.json', line, record.test);
      continue;
    }
    check('response.json', line, record.test);
    if (line?.ok !== true) {
      counts.failures += 1;
      continue;
    }
    const op = opById.get(line.id);
    const schema = `${op}.result.json`;
    if (op === undefined || !ajv.getSchema(schema)) {
      failures.push(`${record.test}: a successful response to an unknown request: ${text.slice(0, 200)}`);
      continue;
    }
    counts.results += 1;
    check(schema, line.result, record.test);
  }
}

console.log(`${records.length} engine test runs: ${counts.results} results, ${counts.failures} failure responses, ${counts.events} events checked`);
if (records.length === 0 || counts.results === 0) {
  console.log('the corpus is empty: did the engine tests run with ORVEL_PROTOCOL_CORPUS set?');
  process.exit(1);
}
for (const failure of failures.slice(0, 30)) console.log(failure);
console.log(`${counts.results + counts.failures + counts.events - failures.length} passed, ${failures.length} failed`);
process.exit(failures.length === 0 ? 0 : 1);
