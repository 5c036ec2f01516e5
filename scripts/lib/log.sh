# Progress lines for the scripts: what is happening, and how long each step took.

SCRIPT_STARTED=$SECONDS

log() { printf '\n==> %s\n' "$*" >&2; }
warn() { printf 'warning: %s\n' "$*" >&2; }
die() {
  printf 'error: %s\n' "$*" >&2
  exit 1
}
elapsed() { printf '%dm%02ds' $(((SECONDS - SCRIPT_STARTED) / 60)) $(((SECONDS - SCRIPT_STARTED) % 60)); }
