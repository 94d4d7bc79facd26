#!/usr/bin/env bash
# Installs what Korvane needs to build, test and run. Idempotent: packages are
# installed only when missing and the Dear ImGui download is cached, so a
# second run does nothing.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DEPS_DIR="${KORVANE_DEPS_DIR:-$ROOT/build/_deps}"

# Dear ImGui, docking branch: carried by the source distribution of the
# imgui-bundle package on PyPI. Pinned by version and checksum.
IMGUI_BUNDLE_VERSION="1.92.900"
IMGUI_BUNDLE_SHA256="1476409b76c7f600d0da472aed87e96382444df50695280b3ed9acd5065cb6c2"
IMGUI_EXPECTED_VERSION="1.92.9"

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libglfw3-dev libstb-dev libopenal-dev libssl-dev libtinygltf-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth mesa-utils libgl1-mesa-dri libegl1 libgl-dev x11-utils xdotool imagemagick
  zip unzip xdg-utils curl openssl fonts-roboto-unhinted fonts-material-design-icons-iconfont
  python3 python3-venv python3-pip locales
)

log() { printf '[setup] %s\n' "$*"; }

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    log "Debian packages: all present"
    return
  fi
  log "installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "[setup] missing packages and not root; install them with: apt-get install ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# pip resolves the package by name; fetching an sdist makes pip prepare its
# metadata, which needs the package's build backend, so a small virtual
# environment holds scikit-build-core (pure Python; nothing is compiled).
fetch_imgui_bundle() {
  local cache="$DEPS_DIR/download"
  local archive="$cache/imgui_bundle-$IMGUI_BUNDLE_VERSION.tar.gz"
  mkdir -p "$cache"
  if [ -f "$archive" ] && echo "$IMGUI_BUNDLE_SHA256  $archive" | sha256sum -c --status; then
    echo "$archive"
    return
  fi
  rm -f "$archive"
  local venv="$cache/venv"
  if [ ! -x "$venv/bin/pip" ]; then
    log "preparing a download environment" >&2
    python3 -m venv "$venv" >&2
    "$venv/bin/pip" install -q --disable-pip-version-check 'scikit-build-core>=0.9.1' 'nanobind>=2.4.0' >&2
  fi
  log "downloading imgui-bundle $IMGUI_BUNDLE_VERSION (Dear ImGui docking sources)" >&2
  "$venv/bin/pip" download -q --disable-pip-version-check --no-deps --no-binary :all: \
      --no-build-isolation -d "$cache" "imgui-bundle==$IMGUI_BUNDLE_VERSION" >&2
  if ! echo "$IMGUI_BUNDLE_SHA256  $archive" | sha256sum -c --status; then
    echo "[setup] checksum mismatch for $archive" >&2
    rm -f "$archive"
    exit 1
  fi
  echo "$archive"
}

install_imgui() {
  local dest="$DEPS_DIR/imgui"
  local stamp="$dest/.korvane-imgui-$IMGUI_BUNDLE_VERSION-2"
  if [ -f "$stamp" ]; then
    log "Dear ImGui $IMGUI_EXPECTED_VERSION (docking): cached"
    return
  fi
  local archive
  archive="$(fetch_imgui_bundle)"
  local tmp
  tmp="$(mktemp -d "$DEPS_DIR/imgui-extract.XXXXXX")"
  trap 'rm -rf "$tmp"' RETURN
  local src="imgui_bundle-$IMGUI_BUNDLE_VERSION/external/imgui/imgui"
  # Only Dear ImGui itself (this build's imgui.h includes its stack-layout
  # extension), its C++ string helpers and the two backends we use.
  tar -xzf "$archive" -C "$tmp" \
    "$src/LICENSE.txt" "$src/imconfig.h" "$src/imgui.h" "$src/imgui_internal.h" \
    "$src/imgui.cpp" "$src/imgui_draw.cpp" "$src/imgui_tables.cpp" "$src/imgui_widgets.cpp" \
    "$src/imgui_demo.cpp" "$src/imgui_stacklayout.h" "$src/imgui_stacklayout_internal.h" \
    "$src/imgui_stacklayout.cpp" "$src/imstb_rectpack.h" "$src/imstb_textedit.h" "$src/imstb_truetype.h" \
    "$src/misc/cpp/imgui_stdlib.h" "$src/misc/cpp/imgui_stdlib.cpp" \
    "$src/backends/imgui_impl_glfw.h" "$src/backends/imgui_impl_glfw.cpp" \
    "$src/backends/imgui_impl_opengl3.h" "$src/backends/imgui_impl_opengl3.cpp" \
    "$src/backends/imgui_impl_opengl3_loader.h"
  local header="$tmp/$src/imgui.h"
  grep -q "#define IMGUI_VERSION       \"$IMGUI_EXPECTED_VERSION" "$header" || {
    echo "[setup] unexpected Dear ImGui version in imgui-bundle $IMGUI_BUNDLE_VERSION" >&2; exit 1; }
  grep -q '#define IMGUI_HAS_DOCK' "$header" || {
    echo "[setup] imgui-bundle $IMGUI_BUNDLE_VERSION does not carry the docking branch" >&2; exit 1; }
  rm -rf "$dest"
  mv "$tmp/$src" "$dest"
  touch "$stamp"
  log "Dear ImGui $IMGUI_EXPECTED_VERSION (docking) extracted to $dest"
}

# The scene-file tests check that numbers do not follow a decimal-comma
# locale; make one available when we can.
install_test_locale() {
  locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return
  [ "$(id -u)" -eq 0 ] || return 0
  localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 && log "generated the de_DE.UTF-8 locale for tests" || true
}

install_packages
install_test_locale
mkdir -p "$DEPS_DIR"
install_imgui
