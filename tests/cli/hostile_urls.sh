# Control bytes in URLs and file names never reach the terminal: every message
# shows them as %xx, in every mode (the unknown prefix even with -q).
mkdir cache && printf x >cache/M0000001.HTM && printf y >cache/M0000003.HTM
printf '%s\n' $'M0000001.HTM http://h/\e[2J\e]0;title\a\x7f/a\rb' $'M0000002\e[5m.HTM ftp://h/\x01' \
  $'M0000003.HTM \e[8mhttps://h/x' | index
{ talvex -p -v -ofresh-v cache; talvex -p -q -ofresh-q cache; } >runs
cat runs && echo "control bytes: $(grep -c $'[\x01-\t\v-\x1f\x7f]' runs)"
