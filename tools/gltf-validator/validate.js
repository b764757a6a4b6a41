// Validates a glTF file with the Khronos glTF validator: prints the issue counts and every
// error and warning, and exits with status 1 when the file has errors (2 when it cannot run).
//
//     node tools/gltf-validator/validate.js build/data/meshes/head.glb
'use strict';

const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

async function main(file) {
    const bytes = new Uint8Array(fs.readFileSync(file));
    const report = await validator.validateBytes(bytes, {
        uri: path.basename(file),
        maxIssues: 100,
        externalResourceFunction: (uri) =>
            Promise.resolve(new Uint8Array(fs.readFileSync(path.resolve(path.dirname(file), uri)))),
    });
    const issues = report.issues;
    console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ` +
                `${issues.numInfos} infos, ${issues.numHints} hints (validator ${report.validatorVersion})`);
    for (const message of issues.messages)
        if (message.severity <= 1)
            console.log(`  ${message.severity === 0 ? 'error' : 'warning'} ${message.code} ` +
                        `${message.pointer || ''}: ${message.message}`);
    return issues.numErrors === 0 ? 0 : 1;
}

if (process.argv.length !== 3) {
    console.error('usage: node validate.js <file.glb|file.gltf>');
    process.exit(2);
}
main(process.argv[2]).then((status) => process.exit(status), (error) => {
    console.error(`validate.js: ${error.message || error}`);
    process.exit(2);
});
