# What the test scripts share. Sourced, with `prog` set where the script
# tests one program: sets name, tmp (a folder removed at exit) and failures,
# and the helpers below.
name=$(basename "${prog:-}")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# expect NAME STATUS STDERR_PATTERN: checks $tmp/status and $tmp/err
expect() {
  local what=$1 want_status=$2 pattern=$3 status lines
  status=$(cat "$tmp/status")
  lines=$(wc -l < "$tmp/err")
  if [ "$status" != "$want_status" ]; then
    echo "FAIL $what: exit status $status, want $want_status; stderr: $(cat "$tmp/err")"; failures=$((failures + 1)); return
  fi
  if [ -z "$pattern" ]; then
    if [ -s "$tmp/err" ]; then echo "FAIL $what: unexpected diagnostic: $(cat "$tmp/err")"; failures=$((failures + 1)); return; fi
  elif [ "$lines" -ne 1 ] || ! grep -qx -- "$pattern" "$tmp/err"; then
    echo "FAIL $what: diagnostic '$(cat "$tmp/err")', want one line matching '$pattern'"
    failures=$((failures + 1)); return
  fi
  echo "ok   $what"
}

# done: the script's status.
done_() { [ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }; }
