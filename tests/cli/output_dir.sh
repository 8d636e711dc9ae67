# An output dir that cannot be entered (an empty name, a file, a missing parent,
# a name too long for the system or to convert) ends the run with 255 after the
# two errors, having written nothing anywhere: not even a URL such as
# .ssh/authorized_keys lands in the start dir. One elsewhere is made and used.
mkdir cache && printf 'ssh-rsa AAAA attacker' >cache/M0000001.TXT && printf planted >cache/M0000002.TXT
index <<EOF2
M0000001.TXT http://.ssh/authorized_keys
M0000002.TXT http://planted.txt
EOF2
printf x >taken
n300=$(printf %300s | tr ' ' n) n5000=$(printf %5000s | tr ' ' n)
for o in -o -otaken -ono/such/parent "-o$n300" "-o$n5000"; do
  talvex -p -q "$o" cache | sed "s/$n5000/N5000/g; s/$n300/N300/g"
done
tree && show taken cache/*.TXT
talvex -p -q "-o$PWD/elsewhere" cache && tree elsewhere
