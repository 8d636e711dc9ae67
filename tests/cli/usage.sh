# Whatever cannot be read as a command line shows the banner and the usage
# (shown once here, then compared), exits with 0 and creates nothing.
index </dev/null
talvex >usage
for args in '-x cache' - -h --help '-q -z' '-v -q'; do talvex $args | cmp -s usage - || echo "$args"; done
talvex '' | cmp -s usage - || echo "''"
cat usage && rm usage && tree
