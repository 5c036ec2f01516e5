# What scripts/release and its check share: the version, the installer package and the signature.

# Never changes: Windows Installer finds an installed version of the programs through it. Also the
# namespace of the product and package codes derived below.
UPGRADE_CODE=D1F9D11C-D890-49EF-A70C-0BE31F7E2F69

# notice_version: the programs' version, from the one place the resources read it.
notice_version() {
  local version
  version=$(sed -n 's/^#define NOTICE_VERSION_TEXT "\([0-9.]*\)"$/\1/p' notice/win32/notice_version.h)
  [[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
    die "no four-part NOTICE_VERSION_TEXT in notice/win32/notice_version.h"
  printf '%s\n' "$version"
}

# installer_version A.B.C.D: the three fields Windows Installer compares. It ignores a fourth, and
# our releases move in the fourth, so the third carries both: C*1000 + D (1.0.0.2 is 1.0.2,
# 1.0.1.5 is 1.0.1005). The third field holds at most 65535: C up to 64, D up to 999.
installer_version() {
  local a b c d
  IFS=. read -r a b c d <<<"$1"
  ((a <= 255 && b <= 255 && c <= 64 && d <= 999)) ||
    die "version $1 does not fit Windows Installer's fields (A,B <= 255, C <= 64, D <= 999)"
  printf '%d.%d.%d\n' "$a" "$b" $((c * 1000 + d))
}

# name_uuid TEXT: a GUID derived from TEXT, the same on every machine.
name_uuid() {
  /usr/bin/python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
    "$UPGRADE_CODE" "$1"
}

# make_msi FOLDER VERSION OUTPUT: packs FOLDER's programs, their notices and ctrl/ into OUTPUT with
# wixl. The product code follows the version and the package code the packed files, and the time
# written is SOURCE_DATE_EPOCH: the same files give the same package, byte for byte.
make_msi() {
  local folder=$1 version=$2 output product_version files_hash
  output=$(realpath -m "$3")
  product_version=$(installer_version "$version")
  files_hash=$(cd "$folder" && sha256sum OrvaneMessage.exe OrvanePag.exe THIRD-PARTY-NOTICES.txt \
    ctrl/aviso.wav ctrl/imprimindo.wav | sha256sum | cut -c1-64)
  local package_code
  package_code=$(name_uuid "package $version $files_hash")
  # wixl finds the files relative to the current folder.
  (cd "$folder" && wixl --arch x64 -D "Version=$version" -D "ProductVersion=$product_version" \
    -D "ProductCode=$(name_uuid "product $version")" \
    -o "$output" "$OLDPWD/installer/orvane-avisos.wxs")
  /usr/bin/python3 scripts/lib/msi_summary.py "$output" "{$package_code}" "$SOURCE_DATE_EPOCH"
}

# sign_file FILE PFX [TIMESTAMP_URL]: an Authenticode SHA-256 signature, in place. The password is
# SIGN_PASSWORD's, handed over in a file so that it never shows in a process list (osslsigncode
# reads no empty password from a file: an empty one is given as it is).
sign_file() {
  local file=$1 pfx=$2 url=${3:-} password_file password=(-pass '') status=0
  password_file=$(mktemp)
  if [[ -n ${SIGN_PASSWORD:-} ]]; then
    printf '%s' "$SIGN_PASSWORD" >"$password_file"
    password=(-readpass "$password_file")
  fi
  osslsigncode sign -pkcs12 "$pfx" "${password[@]}" -h sha256 -n "Orvane Avisos" \
    ${url:+-ts "$url"} -in "$file" -out "$file.signed" >/dev/null || status=$?
  rm -f "$password_file"
  ((status == 0)) || die "cannot sign $file (osslsigncode exit $status)"
  mv "$file.signed" "$file"
}
