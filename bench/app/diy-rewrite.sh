#!/bin/sh
# The do-it-yourself rewrite a Linux user would bind to a key instead of running Palimo: save
# the clipboard, copy the selection, ask the server, paste the answer, put the clipboard back.
# Needs PALIMO_API_BASE (the server) and OPENAI_API_KEY in the environment.
set -u
saved=$(xclip -selection clipboard -o 2>/dev/null)
xdotool key --clearmodifiers ctrl+c
sleep 0.1
text=$(xclip -selection clipboard -o)
answer=$(jq -n --arg text "$text" '{model: "gpt-4o-mini", temperature: 0.3, messages: [
    {role: "system", content: "Rewrite the text. Return only the rewritten text."},
    {role: "user", content: ("<text>\n" + $text + "\n</text>")}]}' |
  curl -sS "$PALIMO_API_BASE/v1/chat/completions" -H "Authorization: Bearer $OPENAI_API_KEY" \
    -H 'Content-Type: application/json' --data-binary @- |
  jq -r '.choices[0].message.content')
printf %s "$answer" | xclip -selection clipboard
xdotool key --clearmodifiers ctrl+v
sleep 0.3
printf %s "$saved" | xclip -selection clipboard
