# cmake -DSETUP=file -DOUT=folder -DVERSION=x.y.z -DINSTALLER_URL=address -DHOME_PAGE=address
#       -DNSI=Kestrix.nsi -P WingetManifest.cmake
# Writes the Windows package manager's multi-file manifest of the setup program SETUP into OUT:
# Kestrix.Kestrix.yaml (version), .installer.yaml and .locale.en-US.yaml, schema 1.10.0. The
# entry it describes is the one Kestrix.nsi writes; the exit codes are Kestrix.nsi's own.
cmake_minimum_required(VERSION 3.25)
set(id Kestrix.Kestrix)
set(schema 1.10.0)

# Every text single-quoted, so that YAML reads a version such as 3.10 as text, not a number.
function(quoted out text)
  string(REPLACE "'" "''" text "${text}")
  set(${out} "'${text}'" PARENT_SCOPE)
endfunction()

# Kestrix.nsi's "!define NAME value", which must be there.
function(nsi_define out name)
  file(STRINGS ${NSI} lines REGEX "^!define ${name} ")
  list(LENGTH lines count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "${NSI}: no single !define ${name}")
  endif()
  string(REGEX REPLACE "^!define ${name} +\"?([^\"]*)\"?$" "\\1" value "${lines}")
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

nsi_define(product PRODUCT)
nsi_define(publisher PUBLISHER)
nsi_define(uninstall_key UNINSTALL_KEY)
nsi_define(exit_cancelled EXIT_CANCELLED)
nsi_define(exit_failed EXIT_FAILED)
# The Add/Remove Programs entry's key name is what the package manager knows as the product code.
string(REGEX REPLACE ".*\\\\" "" product_code "${uninstall_key}")

file(SHA256 ${SETUP} sha256)
string(TOUPPER ${sha256} sha256)
foreach(text id product publisher product_code INSTALLER_URL HOME_PAGE)
  quoted(q_${text} "${${text}}")
endforeach()
quoted(q_version "${VERSION}")
quoted(q_copyright "Copyright (C) ${publisher}")
quoted(q_schema "${schema}")

set(header "# Made by the build (installer/WingetManifest.cmake) beside KestrixSetup.exe.\n")
file(MAKE_DIRECTORY ${OUT})
file(WRITE ${OUT}/${id}.yaml "${header}\
# yaml-language-server: $schema=https://aka.ms/winget-manifest.version.${schema}.schema.json
PackageIdentifier: ${q_id}
PackageVersion: ${q_version}
DefaultLocale: 'en-US'
ManifestType: 'version'
ManifestVersion: ${q_schema}
")

# A silent run gives up when an installed program is running (1, also the code of an interactive
# run the user cancelled); 2 is a file that could not be written, most often one that another
# program holds open, or a folder that could not be made or secured.
file(WRITE ${OUT}/${id}.installer.yaml "${header}\
# yaml-language-server: $schema=https://aka.ms/winget-manifest.installer.${schema}.schema.json
PackageIdentifier: ${q_id}
PackageVersion: ${q_version}
InstallerType: 'nullsoft'
Scope: 'machine'
InstallModes:
- 'interactive'
- 'silent'
InstallerSwitches:
  Silent: '/S'
  SilentWithProgress: '/S'
  InstallLocation: '/D=<INSTALLPATH>'
ExpectedReturnCodes:
- InstallerReturnCode: ${exit_cancelled}
  ReturnResponse: 'packageInUse'
- InstallerReturnCode: ${exit_failed}
  ReturnResponse: 'fileInUse'
UpgradeBehavior: 'install'
ElevationRequirement: 'elevatesSelf'
ProductCode: ${q_product_code}
AppsAndFeaturesEntries:
- DisplayName: ${q_product}
  Publisher: ${q_publisher}
  DisplayVersion: ${q_version}
  ProductCode: ${q_product_code}
Installers:
- Architecture: 'x64'
  InstallerUrl: ${q_INSTALLER_URL}
  InstallerSha256: '${sha256}'
ManifestType: 'installer'
ManifestVersion: ${q_schema}
")

file(WRITE ${OUT}/${id}.locale.en-US.yaml "${header}\
# yaml-language-server: $schema=https://aka.ms/winget-manifest.defaultLocale.${schema}.schema.json
PackageIdentifier: ${q_id}
PackageVersion: ${q_version}
PackageLocale: 'en-US'
Publisher: ${q_publisher}
PublisherUrl: ${q_HOME_PAGE}
PackageName: ${q_product}
License: 'Proprietary'
Copyright: ${q_copyright}
ShortDescription: 'The Kestrix video editing suite: its launcher, cutting tools and uninstall feedback prompt.'
ManifestType: 'defaultLocale'
ManifestVersion: ${q_schema}
")
