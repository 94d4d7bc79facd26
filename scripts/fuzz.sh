#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in their own build folder, and runs each for a
# given time on one worker. Not part of ./test.sh.
#
#   scripts/fuzz.sh                  every target, 60 s each
#   scripts/fuzz.sh scene            one target (fuzz/scene_fuzz.cpp)
#   scripts/fuzz.sh scene 300        one target for 300 s
#   scripts/fuzz.sh all 300          every target for 300 s each
#   scripts/fuzz.sh build            build only
#
# Folders (under $KORVANE_FUZZ_DIR, default build-fuzz/): corpus/<name> keeps
# what the fuzzer found interesting (it grows run after run), seeds/<name> is
# gathered afresh from fuzz/<name>.seeds and fuzz/seeds/<name>/, findings/<name>
# holds crashing or hanging inputs. Replay one with
#   build-fuzz/build/fuzz/fuzz_<name> build-fuzz/findings/<name>/crash-...
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
FUZZ_DIR="${KORVANE_FUZZ_DIR:-$ROOT/build-fuzz}"
TARGET="${1:-all}"
SECONDS_EACH="${2:-60}"

log() { printf '[fuzz] %s\n' "$*"; }

if ! [[ "$SECONDS_EACH" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh [target|all|build] [seconds > 0]" >&2
  exit 2
fi

# The same dependencies as the normal build, plus clang and its runtimes
# (libFuzzer and the sanitizers live in libclang-rt-*-dev).
"$ROOT/scripts/setup-deps.sh"
need=()
command -v clang >/dev/null 2>&1 || need+=(clang)
command -v clang++ >/dev/null 2>&1 || need+=(clang)
if ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  need+=(libclang-rt-dev)
fi
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "[fuzz] missing ${need[*]} and not root; install them with: apt-get install ${need[*]}" >&2
    exit 1
  fi
  log "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

BUILD="$FUZZ_DIR/build"
if [ ! -f "$BUILD/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVANE_DEPS_DIR="${KORVANE_DEPS_DIR:-$ROOT/build/_deps}" \
    -DKORVANE_SANITIZE=ON -DKORVANE_BUILD_FUZZ=ON -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_BENCH=OFF \
    ${KORVANE_FUZZ_CMAKE_ARGS:-} >/dev/null
fi

targets=()
for src in "$ROOT"/fuzz/*_fuzz.cpp; do
  name="$(basename "$src" _fuzz.cpp)"
  if [ "$TARGET" = all ] || [ "$TARGET" = build ] || [ "$TARGET" = "$name" ]; then targets+=("$name"); fi
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "[fuzz] no target named $TARGET; there are:" $(cd "$ROOT/fuzz" && ls *_fuzz.cpp | sed 's/_fuzz.cpp//') >&2
  exit 2
fi

log "building ${targets[*]}"
cmake --build "$BUILD" --parallel "$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}")
[ "$TARGET" = build ] && exit 0

# Seeds: the project's own files named by fuzz/<name>.seeds, and the
# hand-written inputs in fuzz/seeds/<name>/.
gather_seeds() {
  local name="$1" out="$FUZZ_DIR/seeds/$1"
  rm -rf "$out"
  mkdir -p "$out"
  if [ -d "$ROOT/fuzz/seeds/$name" ]; then
    find "$ROOT/fuzz/seeds/$name" -type f -exec cp {} "$out/" \;
  fi
  if [ -f "$ROOT/fuzz/$name.seeds" ]; then
    shopt -s globstar nullglob
    local pattern f
    while IFS= read -r pattern; do
      [ -z "$pattern" ] || [ "${pattern:0:1}" = "#" ] && continue
      for f in "$ROOT"/$pattern; do
        [ -f "$f" ] && cp "$f" "$out/$(echo "${f#"$ROOT"/}" | tr '/' '_')"
      done
    done <"$ROOT/fuzz/$name.seeds"
    shopt -u globstar nullglob
  fi
}

status=0
summary=()
for name in "${targets[@]}"; do
  gather_seeds "$name"
  corpus="$FUZZ_DIR/corpus/$name"
  findings="$FUZZ_DIR/findings/$name"
  mkdir -p "$corpus" "$findings"
  args=(-max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$findings/")
  [ -f "$ROOT/fuzz/$name.dict" ] && args+=(-dict="$ROOT/fuzz/$name.dict")
  logfile="$FUZZ_DIR/$name.log"
  log "running $name for ${SECONDS_EACH}s (log: $logfile)"
  before=$(find "$findings" -type f | wc -l)
  set +e
  (cd "$FUZZ_DIR" && "$BUILD/fuzz/fuzz_$name" "${args[@]}" "$corpus" "$FUZZ_DIR/seeds/$name") >"$logfile" 2>&1
  rc=$?
  set -e
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$logfile" | grep -o '[0-9]*$' | tail -1)
  found=$(( $(find "$findings" -type f | wc -l) - before ))
  if [ "$rc" -ne 0 ]; then
    status=1
    grep -m1 -E 'ERROR: (AddressSanitizer|libFuzzer|UndefinedBehaviorSanitizer)|runtime error|fuzz invariant broken' "$logfile" || true
  fi
  summary+=("$name: ${execs:-?} executions, $found new findings, corpus $(find "$corpus" -type f | wc -l) inputs, exit $rc")
done
for line in "${summary[@]}"; do log "$line"; done
exit $status
