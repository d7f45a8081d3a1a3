#!/usr/bin/python3
"""winget_manifest_test.py SOURCE BIN MANIFEST SCHEMAS ADDRESS WORK: the package manager's
manifest the build writes beside the setup program. Its three files are valid against the
published schemas in SCHEMAS (and a broken copy is not), agree with one another, name ADDRESS
and the setup program's SHA-256, and the entry they describe is the one a silent install with
the manifest's own switches writes under Wine."""
import hashlib
import os
import shutil
import subprocess
import sys

import jsonschema
import yaml

source, bin_folder, manifest, schemas, address, work = sys.argv[1:7]
setup = os.path.join(bin_folder, "KestrixSetup.exe")
wine_run = os.path.join(source, "scripts", "wine-run.sh")
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def schema_errors(document, kind):
    with open(os.path.join(schemas, f"manifest.{kind}.1.10.0.json"), encoding="utf-8") as file:
        schema = yaml.safe_load(file)  # JSON is YAML
    validator = jsonschema.Draft7Validator(schema)
    return [f"{'/'.join(map(str, error.absolute_path))}: {error.message}" for error in validator.iter_errors(document)]


documents = {}
for kind, name in (("version", "Kestrix.Kestrix.yaml"), ("installer", "Kestrix.Kestrix.installer.yaml"),
                   ("defaultLocale", "Kestrix.Kestrix.locale.en-US.yaml")):
    path = os.path.join(manifest, name)
    if not check(os.path.isfile(path), f"no {path}"):
        continue
    with open(path, encoding="utf-8") as file:
        documents[kind] = yaml.safe_load(file)
    for error in schema_errors(documents[kind], kind):
        failures.append(f"{name}: {error}")
if len(documents) != 3:
    print("\n".join(failures))
    sys.exit(1)
version, installer, locale = documents["version"], documents["installer"], documents["defaultLocale"]

# The validator does refuse what the schema forbids: an installer type it does not know, and a
# hash that is no hash.
broken = dict(installer, InstallerType="nsis")
broken["Installers"] = [dict(installer["Installers"][0], InstallerSha256="not a hash")]
errors = schema_errors(broken, "installer")
check(any("InstallerType" in error for error in errors) and any("InstallerSha256" in error for error in errors),
      f"a broken installer manifest is not refused as broken: {errors}")

for kind, document in documents.items():
    check(document.get("PackageIdentifier") == "Kestrix.Kestrix", f"{kind}: {document.get('PackageIdentifier')}")
    check(document.get("PackageVersion") == version["PackageVersion"], f"{kind}: {document.get('PackageVersion')}")
    check(document.get("ManifestVersion") == "1.10.0", f"{kind}: {document.get('ManifestVersion')}")
check(locale.get("PackageLocale") == version.get("DefaultLocale"), "the default locale has no locale file")
check(installer.get("InstallerType") == "nullsoft" and installer.get("Scope") == "machine",
      f"not a machine-wide nullsoft setup: {installer.get('InstallerType')}, {installer.get('Scope')}")

entry = installer["Installers"][0]
with open(setup, "rb") as file:
    sha256 = hashlib.sha256(file.read()).hexdigest()
check(entry["InstallerSha256"].lower() == sha256, f"InstallerSha256 {entry['InstallerSha256']}, the setup's {sha256}")
check(entry["InstallerUrl"] == address, f"InstallerUrl {entry['InstallerUrl']}, the build setting {address}")
check(entry["Architecture"] == "x64", f"architecture {entry['Architecture']}")

# A silent install as the package manager starts it: the Silent and InstallLocation switches.
switches = installer["InstallerSwitches"]
target = os.path.join(work, "Kestrix")
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
windows_target = "Z:" + target.replace("/", "\\")
command = [wine_run, setup, switches["Silent"], switches["InstallLocation"].replace("<INSTALLPATH>", windows_target)]
code = subprocess.run(command).returncode
check(code == 0, f"{' '.join(command)} exits with {code}")
check(os.path.isfile(os.path.join(target, "Portico.exe")), f"nothing installed in {target}")

# The entry the manifest says the install writes, by the key the product code names.
key = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + installer["ProductCode"]
query = subprocess.run([wine_run, "reg", "query", key], capture_output=True, text=True, errors="replace")
values = {}
for line in query.stdout.splitlines():
    parts = line.strip().split(None, 2)
    if len(parts) == 3 and parts[1] == "REG_SZ":
        values[parts[0]] = parts[2]
check(query.returncode == 0, f"no key {key}: {query.stdout}{query.stderr}")
check(values.get("InstallLocation", "").lower() == windows_target.lower(),
      f"the entry under {key} is not this install's: {values.get('InstallLocation')}")
apps = installer.get("AppsAndFeaturesEntries") or [{}]
check(len(apps) == 1, f"{len(apps)} entries in AppsAndFeaturesEntries")
for name in ("DisplayName", "Publisher", "DisplayVersion"):
    check(apps[0].get(name) == values.get(name), f"{name}: the manifest says {apps[0].get(name)}, the registry {values.get(name)}")
check(apps[0].get("ProductCode") == installer["ProductCode"], "the entry's product code is not the installer's")
check(version["PackageVersion"] == values.get("DisplayVersion"), "the package version is not the version installed")
check(locale.get("PackageName") == values.get("DisplayName") and locale.get("Publisher") == values.get("Publisher"),
      "the locale's name and publisher are not the entry's")

# Removed again, entry and all, so that the prefix stays as it was.
if os.path.isfile(os.path.join(target, "Uninstall.exe")):
    subprocess.run([wine_run, os.path.join(target, "Uninstall.exe"), "/S", "_?=" + windows_target])
    remains = subprocess.run([wine_run, "reg", "query", key], capture_output=True)
    check(remains.returncode != 0, f"the silent uninstall left {key}")
shutil.rmtree(work, ignore_errors=True)

if failures:
    print("FAILED:\n" + "\n".join(failures))
    sys.exit(1)
print(f"manifest: valid against the 1.10.0 schemas; hash, address and entry {values.get('DisplayName')} "
      f"{values.get('DisplayVersion')} by {values.get('Publisher')} as installed")
