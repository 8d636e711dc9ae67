# Entries as the browser writes them (entry format 3): the entry block counts the
# URL (and a POST body) in its length, TypeURL is the URL's length with its zero
# byte, and a POST result's URL block ends in its digest. URLs of 255 to 3,000
# characters and a POST result beside the GET of its URL are all found and saved;
# the same entries in the old test shape (TypeURL 1) keep their old outcome. A name
# too long for the disk fails at the naming, and no times line is printed for it.
# browser FILE URL [POST-BODY-SIZE]
browser() {
  local type=text/html digest=0 && local total=$((${#2} + ${#1} + ${#type} + 104 + ${3:-0}))
  [ -z "${3:-}" ] || digest=16
  u32 $total && u32 3 && u32 830310997 && u32 837290619 && u32 0 && u32 9 && printf '\1\0\0\0\0'
  u32 $((${#1} + 1)) && printf '%s\0' "$1" && u32 0 && printf '\1' && printf '\0%.0s' {1..28}
  u32 $((${#type} + 1)) && printf '%s\0' "$type" && u32 0 && u32 0 && printf '\0' && u32 9
  head -c $((total - 85 - ${#1} - ${#type})) /dev/zero
  u32 $((${#2} + 13 + digest)) && u32 $((${#2} + 1)) && printf '%s\0' "$2" && u32 $digest
  [ $digest = 0 ] || printf '\217\0\20\3ABCDEFGHIJKL'
}
# url N: a URL of N characters, in folders of 99.
url() { local u=http://h/ && while [ ${#u} -lt $1 ]; do u+=$(printf "%099d/" 0); done && echo "${u:0:$1}"; }
mkdir cache old
for n in 255 256 1011 1012 3000; do printf "%s" $n >cache/C$n.HTM; done && printf post >cache/P0000001.HTM
cp cache/C*.HTM old/
{
  header
  for n in 255 256 1011 1012 3000; do browser C$n.HTM "$(url $n)"; done
  browser P0000001.HTM "$(url 256)" 40
  browser P0000001.HTM "http://h/$(printf %0300d 0)"
} >cache/fat.db
{ header && for n in 255 256 1011 1012 3000; do record C$n.HTM "$(url $n)"; done; } >old/fat.db
talvex -v cache | grep -e '^ *[0-9]* =' -e '^Type' -e '^TypeURL' -e 'saving as' -e '^Mod' -e "^Can't" -e '^Records' -e '^\[exit'
talvex -q -oout-old old
# Each file saved: the length of its path, and its content.
for dir in TALVEX.OUT out-old; do
  echo "$dir:" && find $dir -type f | while read -r f; do echo "${#f} $(cat "$f")"; done | sort -n
done
