# Every byte is copied and the saved file gets the entry's times; a modification
# time of 0 takes the access time.
mkdir cache
printf '<html>no modification time</html>' >cache/M0000001.HTM && printf '<html>no times</html>' >cache/M0000002.HTM
{ for size in 0 1 32768 32769 100000; do
    file=$(printf S%07d.BIN $size) && seq 100000 | head -c $size >cache/$file
    echo "$file http://host/size/$size 894000000 929000000"
  done
  echo 'M0000001.HTM http://host/t/zero-mtime.html 0 929000000'
  echo 'M0000002.HTM http://host/t/no-times.html 0 0'; } | index
talvex -q -p cache
cd TALVEX.OUT && tree && stat -c '%n %s %Y %X' host/size/* host/t/*
for size in 0 1 32768 32769 100000; do cmp host/size/$size ../cache/$(printf S%07d.BIN $size); done
