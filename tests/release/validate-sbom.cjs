// Validates CycloneDX 1.6 JSON files with the validator of @cyclonedx/cyclonedx-library: the
// schema it ships (with the SPDX licence list and JSON signature schemas the schema refers to),
// checked by ajv with every format the schema uses. check-release installs the packages and sets
// NODE_PATH. Prints the errors of a file that does not validate; exits 1 then.
const fs = require('fs');
const { Validation } = require('@cyclonedx/cyclonedx-library');

(async () => {
  // The library's name for CycloneDX 1.6 is the version text itself.
  const validator = new Validation.JsonValidator('1.6');
  let failed = false;
  for (const file of process.argv.slice(2)) {
    const errors = await validator.validate(fs.readFileSync(file, 'utf8'));
    if (errors === null) {
      console.log(`${file}: valid CycloneDX ${validator.version}`);
    } else {
      failed = true;
      console.log(`${file}: not valid CycloneDX ${validator.version}`);
      console.log(JSON.stringify(errors, null, 2));
    }
  }
  process.exit(failed ? 1 : 0);
})();
