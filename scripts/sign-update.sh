#!/usr/bin/env bash
# Signs an update manifest for the editor's "Check for Updates".
#
#   scripts/sign-update.sh new-key  <private-key.pem>
#       makes a P-256 signing key (mode 0600). Keep it outside the repository.
#   scripts/sign-update.sh public-key <private-key.pem>
#       prints the public half as the editor embeds it (kKorvaneUpdatePublicKey
#       in editor/legacy/update/UpdateManifest.cpp): base64 of the 65-byte point.
#   scripts/sign-update.sh sign <private-key.pem> <version> <url> <package> [notes]
#       prints the one-line signed manifest "KORVANE-UPDATE-v1.<payload>.<signature>"
#       for the package (its SHA-256 goes into the signed payload).
set -euo pipefail

die() { printf 'sign-update: %s\n' "$*" >&2; exit 2; }
command -v openssl >/dev/null || die "openssl is not installed (scripts/setup-deps.sh installs it)"

# JSON string body: backslash, quote and control characters escaped.
json_escape() {
  local s=$1 out="" c i
  for ((i = 0; i < ${#s}; i++)); do
    c=${s:i:1}
    case "$c" in
      '\') out+='\\' ;;
      '"') out+='\"' ;;
      $'\n') out+='\n' ;;
      $'\r') out+='\r' ;;
      $'\t') out+='\t' ;;
      *) out+=$c ;;
    esac
  done
  printf '%s' "$out"
}

cmd=${1:-}
case "$cmd" in
  new-key)
    [ $# -eq 2 ] || die "usage: $0 new-key <private-key.pem>"
    [ ! -e "$2" ] || die "$2 exists; not replacing a key"
    (umask 077 && openssl ecparam -name prime256v1 -genkey -noout -out "$2")
    ;;
  public-key)
    [ $# -eq 2 ] || die "usage: $0 public-key <private-key.pem>"
    openssl ec -in "$2" -pubout -outform DER 2>/dev/null | tail -c 65 | openssl base64 -A
    echo
    ;;
  sign)
    [ $# -ge 5 ] && [ $# -le 6 ] || die "usage: $0 sign <private-key.pem> <version> <url> <package> [notes]"
    key=$2 version=$3 url=$4 package=$5 notes=${6:-}
    [ -f "$key" ] || die "no key at $key"
    [ -f "$package" ] || die "no package at $package"
    [[ "$version" =~ ^[A-Za-z0-9._+-]{1,32}$ && "$version" != *..* ]] || die "version must be 1-32 of [A-Za-z0-9._+-] without '..'"
    sha=$(openssl dgst -sha256 -r "$package" | cut -d' ' -f1)
    [ ${#sha} -eq 64 ] || die "could not hash $package"
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    printf '{"version": "%s", "url": "%s", "sha256": "%s", "notes": "%s"}' \
      "$(json_escape "$version")" "$(json_escape "$url")" "$sha" "$(json_escape "$notes")" >"$tmp/payload.json"
    openssl dgst -sha256 -sign "$key" -out "$tmp/signature.der" "$tmp/payload.json"
    printf 'KORVANE-UPDATE-v1.%s.%s\n' "$(openssl base64 -A -in "$tmp/payload.json")" \
      "$(openssl base64 -A -in "$tmp/signature.der")"
    ;;
  *)
    die "usage: $0 new-key|public-key|sign ..."
    ;;
esac
