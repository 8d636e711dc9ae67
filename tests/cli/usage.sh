# Whatever cannot be read as a command line shows the banner and the usage
# (shown once here, then compared), exits with 0 and creates nothing. --help
# adds the long options to it; --version shows the banner alone.
index </dev/null
talvex >usage
for args in '-x cache' - -h --x '-q -z' '-v -q' '--report= c' '--lists c'; do talvex $args | cmp -s usage - || echo "$args"; done
talvex '' | cmp -s usage - || echo "''"
talvex --help cache | cmp -s usage - && echo '--help shows no more'
talvex -q --version cache | cmp -s <(sed -n '1,4p;$p' usage) - || echo '--version'
talvex --help | tail -n +$(($(wc -l <usage) + 1))
cat usage && rm usage && tree
