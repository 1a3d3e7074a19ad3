#!/usr/bin/env bash
# The real palimo binary against servers that misbehave in every way we know of (run it inside
# palimo-session.sh). For each case of the table below, a selection in our Qt editor is
# rewritten with Ctrl+Alt+R while the user's clipboard holds text, HTML and a PNG; then:
#   - the run ends within the case's limit with "Done in" or the expected "Rewrite failed:" line,
#   - the text is replaced on success and untouched on failure,
#   - the clipboard is back byte for byte,
#   - the usage counters moved by one rewrite on success and not at all on failure,
#   - the server saw exactly one request (none is retried, no redirect is followed),
#   - palimo is still alive (if not: its backtrace is printed).
# The cases that wait out the 10 s and 60 s limits run in parallel sessions, so the suite lasts
# as long as its longest case rather than their sum; PALIMO_HOSTILE_QUICK=1 skips them,
# PALIMO_HOSTILE_CASE=NAME runs that one case alone.
set -uo pipefail

palimo=${1:?usage: hostile-server-test.sh PALIMO EDITOR CLIPBOARD_PROBE FAKE_PROVIDER SAMPLE_PNG}
editor=$2 probe=$3 fake_provider=$4 sample_png=$5
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
# shellcheck source=../desktop-fixture.sh
source "$here/../desktop-fixture.sh"
# shellcheck source=../palimo-process.sh
source "$here/../palimo-process.sh"
passed=0

# NAME | SERVER (a variable below) | REPLY (the fake provider's control form) | LIMIT s | EXPECTED
# EXPECTED is "ok TEXT" (the selection becomes TEXT; "ok -" keeps the usage tokens unchanged)
# or a pattern (grep -E) for the "Rewrite failed: " line. "new" is the words in upper case.
# HTTP statuses that Qt maps to different errors; without a body: a 401, a 404 and a 500.
cases=$(
  sed -E 's/ *\| */|/g' <<'EOF'
400 with JSON error    | fake | {"mode":"status","status":400,"body":"{\"error\":{\"message\":\"bad\"}}"} | 12 | ^OpenAI returned HTTP 400: \{"error":\{"message":"bad"\}\}$
401 with JSON error    | fake | {"mode":"status","status":401,"body":"{\"error\":{\"code\":\"invalid_api_key\"}}"} | 12 | ^OpenAI returned HTTP 401: \{"error"
401 without body       | fake | {"mode":"status","status":401,"body":""} | 12 | ^OpenAI returned HTTP 401: $
403 with JSON error    | fake | {"mode":"status","status":403,"body":"{\"error\":{\"message\":\"region\"}}"} | 12 | ^OpenAI returned HTTP 403: \{
404 without body       | fake | {"mode":"status","status":404,"body":""} | 12 | ^OpenAI returned HTTP 404: $
418 in plain text      | fake | {"mode":"status","status":418,"body":"teapot","contentType":"text/plain"} | 12 | ^OpenAI returned HTTP 418: teapot$
429 with JSON error    | fake | {"mode":"status","status":429,"body":"{\"error\":{\"message\":\"Rate limit reached\"}}","headers":{"Retry-After":"20"}} | 12 | ^OpenAI returned HTTP 429: \{"error":\{"message":"Rate limit reached"\}\}$
500 with JSON error    | fake | {"mode":"status","status":500,"body":"{\"error\":{\"message\":\"oops\"}}"} | 12 | ^OpenAI returned HTTP 500: \{
500 without body       | fake | {"mode":"status","status":500,"body":""} | 12 | ^OpenAI returned HTTP 500: $
502 with an HTML page  | fake | {"mode":"status","status":502,"body":"<html><body>Bad gateway</body></html>","contentType":"text/html"} | 12 | ^OpenAI returned HTTP 502: <html>
503 with JSON error    | fake | {"mode":"status","status":503,"body":"{\"error\":{\"message\":\"overloaded\"}}"} | 12 | ^OpenAI returned HTTP 503: \{
error not UTF-8        | fake | {"mode":"invalid-utf8","status":500} | 12 | ^OpenAI returned HTTP 500: <no body>$
redirect not followed  | fake | {"mode":"status","status":307,"body":"","headers":{"Location":"/v1/chat/completions"}} | 12 | ^OpenAI returned HTTP 307: $
200 not JSON           | fake | {"mode":"answer","body":"{\"choices\": [{\"mess"} | 12 | ^Could not read the server's answer
200 JSON array         | fake | {"mode":"answer","body":"[1, 2]"} | 12 | ^Could not read the server's answer
200 empty body         | fake | {"mode":"answer","body":""} | 12 | ^Could not read the server's answer
200 not UTF-8          | fake | {"mode":"invalid-utf8","status":200} | 12 | ^Could not read the server's answer
null content           | fake | {"mode":"completion","content":null} | 12 | ^Could not read the server's answer: .*null
no choices             | fake | {"mode":"answer","body":"{\"choices\":[],\"usage\":{\"prompt_tokens\":5,\"completion_tokens\":0}}"} | 12 | ^OpenAI returned an empty rewrite\.$
choices missing        | fake | {"mode":"answer","body":"{\"usage\":{\"prompt_tokens\":5,\"completion_tokens\":1}}"} | 12 | ^Could not read the server's answer
empty answer           | fake | {"mode":"completion","content":""} | 12 | ^OpenAI returned an empty rewrite\.$
only tags and spaces   | fake | {"mode":"completion","content":" <text>\n \n</text> "} | 12 | ^OpenAI returned an empty rewrite\.$
negative token count   | fake | {"mode":"answer","body":"{\"choices\":[{\"message\":{\"content\":\"X\"}}],\"usage\":{\"prompt_tokens\":-5,\"completion_tokens\":1}}"} | 12 | ^Could not read the server's answer
huge token count       | fake | {"mode":"answer","body":"{\"choices\":[{\"message\":{\"content\":\"X\"}}],\"usage\":{\"prompt_tokens\":1e300,\"completion_tokens\":1}}"} | 12 | ^Could not read the server's answer
50 MB declared         | fake | {"mode":"answer","body":"0123456789","repeat":5242880} | 12 | ^The server's answer was too large
50 MB undeclared       | fake | {"mode":"answer","body":"0123456789","repeat":5242880,"withoutLength":true} | 12 | ^The server's answer was too large
reset before headers   | fake | {"mode":"drop"} | 12 | ^The connection to the server was lost
reset after headers    | fake | {"mode":"drop-mid"} | 12 | ^The connection to the server was lost
nobody listening       | closed | {} | 12 | ^Could not (connect|reach)
TLS to a plain server  | plain_as_tls | {} | 12 | ^The request failed: .*(SSL|TLS)
answer in extra tags   | fake | {"mode":"completion","content":"  <text><text>NEW</text></text>\n"} | 12 | ok <text>NEW</text>
no usage               | fake | {"mode":"answer","body":"{\"choices\":[{\"message\":{\"content\":\"NEW\"}}]}"} | 12 | ok -NEW
usage null             | fake | {"mode":"answer","body":"{\"choices\":[{\"message\":{\"content\":\"NEW\"}}],\"usage\":null}"} | 12 | ok -NEW
extra members, choices | fake | {"mode":"answer","body":"{\"x\":[1],\"choices\":[{\"message\":{\"content\":\"NEW\",\"refusal\":null}},{\"message\":{\"content\":\"no\"}}],\"usage\":{\"prompt_tokens\":3,\"completion_tokens\":1,\"total_tokens\":4}}"} | 12 | ok NEW
wrong content type     | fake | {"mode":"completion","content":"NEW","contentType":"text/plain; charset=latin1"} | 12 | ok NEW
drip within limits     | fake | {"mode":"uppercase","dripBytes":40,"dripIntervalMs":3000} | 40 | ok HOSTILE
drip stalls past 10 s  | fake | {"mode":"completion","content":"NEW","dripBytes":30,"dripIntervalMs":11000} | 20 | ^The request timed out
drip past 60 s         | fake | {"mode":"completion","content":"a long answer that drips in for more than a minute","dripBytes":1,"dripIntervalMs":4000} | 66 | ^The request timed out
first byte after 12 s  | fake | {"mode":"uppercase","delayMs":12000} | 20 | ok HOSTILE
never accepted         | silent | {} | 66 | ^The request timed out: no complete answer
EOF
)

# The cases whose LIMIT is above 12 s, each in a session of its own.
slow=()
if [ -z "${PALIMO_HOSTILE_CASE:-}" ] && [ "${PALIMO_HOSTILE_QUICK:-0}" != 1 ]; then
  while IFS='|' read -r name _ _ limit _; do
    [ "$limit" -gt 12 ] || continue
    (PALIMO_HOSTILE_CASE=$name "$here/../palimo-session.sh" "$here/hostile-server-test.sh" "$@" \
      >"$work/slow-$name.log" 2>&1
    echo $? >"$work/slow-$name.status") &
    slow+=("$name")
    pids+=($!)
  done <<<"$cases"
fi

start_provider "$fake_provider"
fake=http://127.0.0.1:$port
# Two servers that are not HTTP servers: one listens but never accepts (the kernel completes the
# handshake, nobody answers), one answers every connection with a line of plain text.
python3 -c 'import socket
silent, plain = socket.socket(), socket.socket()
for s in silent, plain:
    s.bind(("127.0.0.1", 0)); s.listen(1)
print(silent.getsockname()[1], plain.getsockname()[1], flush=True)
while True:
    c, _ = plain.accept(); c.sendall(b"not a TLS server\r\n"); c.close()' >"$work/raw.out" &
pids+=($!)
eventually 5 test -s "$work/raw.out" || { echo "the raw servers did not start" >&2; exit 1; }
read -r silent_port plain_port <"$work/raw.out"
silent=http://127.0.0.1:$silent_port plain_as_tls=https://127.0.0.1:$plain_port
closed=http://127.0.0.1:$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
start_editor "$editor"

settings=$palimo_settings
set_address() { # the provider palimo talks to, read afresh at every call
  jq --arg address "$1" '.apiBaseURL = $address' "$settings" >"$settings.new" && mv "$settings.new" "$settings"
}
usage() { # "rewrites promptTokens completionTokens" as stored
  jq -r '.usage // {} | "\(.rewrites // 0) \(.promptTokens // 0) \(.completionTokens // 0)"' "$settings"
}
requests() { curl -fsS "$fake/__stats" | jq .requests; }
ending() { tail -n +"$from" "$work/palimo.out" | grep -m1 -E '(Done in |Rewrite failed: )'; }
clipboard_back() { "$probe" dump >"$work/clip-now" && cmp -s "$work/clip-before" "$work/clip-now"; }

set_address "$fake"
palimo_up
own_clipboard "$probe" "$sample_png"

run_case() { # the case in case_name, address, reply, limit and expected
  case_failed=0
  set_address "${!address}"
  provider "{\"chat\": $reply}"
  local usage_before requests_before end text="hostile case $passed"
  usage_before=$(usage) requests_before=$(requests)
  prepare "$text" 0 7
  local from=$(($(wc -l <"$work/palimo.out") + 1)) started=$SECONDS # this case's output, time
  xdotool key ctrl+alt+r
  eventually "$limit" ending >/dev/null ||
    { fail "no end of the run within $limit s" && palimo_check; return; }
  local took=$((SECONDS - started))
  end=$(ending)
  read -r rewrites prompt completion <<<"$usage_before"
  if [[ $expected == ok* ]]; then
    local new=${expected#ok } tokens_kept=0
    [[ $new == -* ]] && new=${new#-} tokens_kept=1
    [[ $end == *'Done in '* ]] || fail "the run failed: $end"
    eventually 3 line_is "$new${text:7}" || fail "the text is $(ed 'get line'), expected $new${text:7}"
    read -r r p c <<<"$(usage)"
    [ "$r" = $((rewrites + 1)) ] || fail "rewrites counted $rewrites -> $r, expected one more"
    ((tokens_kept)) && { [ "$p $c" = "$prompt $completion" ] || fail "tokens moved: $prompt $completion -> $p $c"; }
  else
    grep -qE -- "$expected" <<<"${end#*Rewrite failed: }" || fail "expected /$expected/, got: $end"
    line_is "$text" || fail "the text changed to $(ed 'get line')"
    [ "$(usage)" = "$usage_before" ] || fail "usage moved on a failure: $usage_before -> $(usage)"
  fi
  eventually 3 clipboard_back || fail "clipboard not restored: $(tr '\n' '|' <"$work/clip-now")"
  if [ "$address" = fake ]; then
    local seen=$(($(requests) - requests_before)) allowed=1
    # WORKAROUND: Qt sends a request once more when the server closed the connection without a
    # byte of answer (what a stale kept-alive connection looks like); the second try fails too.
    [ "$case_name" = "reset before headers" ] && allowed=2
    [ "$seen" -ge 1 ] && [ "$seen" -le "$allowed" ] || fail "the server saw $seen requests, expected 1"
  fi
  palimo_check || fail "palimo died"
  if ((case_failed)); then
    echo "--- palimo's output in this case" >&2
    tail -n +"$from" "$work/palimo.out" >&2
    own_clipboard "$probe" "$sample_png" # so one failure does not run on into the next cases
  else
    passed=$((passed + 1))
    echo "ok [$case_name] in ${took} s"
  fi
}

while IFS='|' read -r case_name address reply limit expected; do
  [ "${PALIMO_HOSTILE_CASE:-$case_name}" = "$case_name" ] || continue
  # The slow cases run in sessions of their own, or are skipped.
  [ -n "${PALIMO_HOSTILE_CASE:-}" ] || [ "$limit" -le 12 ] || continue
  run_case
  palimo_check || break
done <<<"$cases"

case_name=end
palimo_stop || fail "palimo did not end cleanly"
for name in "${slow[@]}"; do
  eventually 90 test -s "$work/slow-$name.status" && [ "$(cat "$work/slow-$name.status")" = 0 ] ||
    fail "[$name] failed in its own session"
  grep -E '^(ok|FAIL|palimo|---|    |#)' "$work/slow-$name.log"
  passed=$((passed + $(grep -c '^ok' "$work/slow-$name.log")))
done
echo "hostile server test: $passed cases passed, $failures failures"
[ $failures -eq 0 ]
