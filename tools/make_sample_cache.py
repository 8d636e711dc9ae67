#!/usr/bin/env python3
"""Build the sample browser cache in sample/cache/.

Writes a small but realistic cache directory for trying TALVEX by hand and
for the end-to-end tests:

  fat.db      the cache index: a Berkeley DB 1.85 hash file with 4096-byte
              pages (a header page, then three bucket pages).  Every entry is
              a key/data pair; the data item is the entry block and the key
              item the URL block, and since a bucket page packs each pair from
              its end downwards with the key above the data, the URL block
              lies right after its entry block.
  M???????.*  the cached files, 8.3 names in the cache directory itself.

The index is not written as a finished picture: the script replays a short
browsing history (pages fetched, documents re-fetched, entries evicted) with
the page operations of the hash library, so what the database moved or
deleted leaves stale bytes in the free space of the pages, exactly where the
library leaves them.  That is why the same URL or the same cached file can be
found twice, and why one record names a cached file that is gone.

After writing, the script runs its own byte-by-byte reference scan of the
index (the acceptance tests TALVEX applies from byte 4096 on) and stops with
an error if the records found are not the ones intended.

Usage:
  python3 tools/make_sample_cache.py [CACHEDIR]          regenerate
  python3 tools/make_sample_cache.py --list [CACHEDIR]   list the records
                                                         that the scan finds
CACHEDIR defaults to sample/cache below the repository root.  Regenerating
deletes fat.db and the 8.3 cache files in CACHEDIR and nothing else.  The
output is the same on every run.
"""

import argparse
import calendar
import os
import random
import re
import struct
import sys
import time

BSIZE = 4096
NBUCKETS = 3            # bucket pages 1..3; max_bucket 2
HIGH_MASK = 3
LOW_MASK = 1
TYPE_ENTRY = 1
TYPE_URL = 2
CACHE_NAME = re.compile(r"^M[0-9A-F]{7}\.[A-Z]{1,3}$")


def ts(y, mo, d, h=12, mi=0, s=0):
    return calendar.timegm((y, mo, d, h, mi, s))


# ---------------------------------------------------------------- contents

def gif(width, height, palette, pixels):
    """GIF89a with a 4-colour global table.  The LZW stream sends a clear
    code before every second pixel, so the code width stays at 3 bits."""
    palette = list(palette) + [(0, 0, 0)] * (4 - len(palette))
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0x81, 0, 0)
    for rgb in palette:
        out += bytes(rgb)
    out += b"\x21\xf9\x04\x00\x00\x00\x00\x00"
    out += b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    codes = []
    for i, p in enumerate(pixels):
        if i % 2 == 0:
            codes.append(4)          # clear
        codes.append(p)
    codes.append(5)                  # end of information
    acc = nbits = 0
    data = bytearray()
    for c in codes:
        acc |= c << nbits
        nbits += 3
        while nbits >= 8:
            data.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits:
        data.append(acc & 0xFF)
    out.append(2)                    # minimum code size
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out += b"\x00\x3b"
    return bytes(out)


def gif_dot(rgb):
    return gif(1, 1, [rgb, (255, 255, 255)], [0])


def gif_pattern(width, height, palette, seed):
    rng = random.Random(seed)
    pixels = []
    for y in range(height):
        for x in range(width):
            pixels.append((x // 2 + y // 3 + rng.randrange(2)) % len(palette))
    return gif(width, height, palette, pixels)


def jpeg(width, height, gray):
    """Baseline JFIF, one grey component, every 8x8 block flat."""
    def seg(marker, payload):
        return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload

    q = 8
    dc = (gray - 128) * 8 // q       # DC coefficient of a flat block
    cat = abs(dc).bit_length()
    extra = dc if dc >= 0 else dc + (1 << cat) - 1

    out = bytearray(b"\xff\xd8")
    out += seg(0xE0, b"JFIF\x00\x01\x01\x01\x00\x48\x00\x48\x00\x00")
    out += seg(0xDB, b"\x00" + bytes([q]) * 64)
    out += seg(0xC0, struct.pack(">BHHB", 8, height, width, 1) + b"\x01\x11\x00")
    # DC table: category 0 -> '0', the first block's category -> '10'.
    dc_syms = [0] if cat == 0 else [0, cat]
    bits = [0] * 16
    bits[0] = 1
    if cat:
        bits[1] = 1
    out += seg(0xC4, b"\x00" + bytes(bits) + bytes(dc_syms))
    # AC table: end of block -> '0'.
    out += seg(0xC4, b"\x10" + bytes([1] + [0] * 15) + b"\x00")
    out += seg(0xDA, b"\x01\x01\x00\x00\x3f\x00")
    blocks = ((width + 7) // 8) * ((height + 7) // 8)
    stream = ("10" + format(extra, "0%db" % cat) if cat else "0") + "0"
    stream += "00" * (blocks - 1)
    stream += "1" * (-len(stream) % 8)
    for i in range(0, len(stream), 8):
        b = int(stream[i:i + 8], 2)
        out.append(b)
        if b == 0xFF:
            out.append(0)
    out += b"\xff\xd9"
    return bytes(out)


def html(title, body, extra_head=""):
    return ("<HTML>\r\n<HEAD>\r\n<TITLE>%s</TITLE>\r\n%s</HEAD>\r\n"
            "<BODY BGCOLOR=\"#FFFFFF\">\r\n%s\r\n</BODY>\r\n</HTML>\r\n"
            % (title, extra_head, body)).encode("latin-1")


def text(s):
    return s.replace("\n", "\r\n").encode("latin-1")


# Documents by URL.  Content type, content.
D = {}


def doc(url, ctype, content):
    D[url] = (ctype, content)
    return url


HOME = doc("http://www.example.com/", "text/html", html(
    "Example Company - Home",
    "<IMG SRC=\"images/logo.gif\" WIDTH=16 HEIGHT=8 ALT=\"Example\">\r\n"
    "<H1>Welcome to Example Company</H1>\r\n"
    "<P><A HREF=\"products/2000/spring/catalog/page1.html\">Spring catalog</A>"
    " | <A HREF=\"manual\">Manual</A>"
    " | <A HREF=\"weather/today.html\">Weather</A></P>\r\n"
    "<FORM ACTION=\"/cgi-bin/search\">Search: <INPUT NAME=\"q\">"
    "<INPUT TYPE=hidden NAME=lang VALUE=en></FORM>",
    "<LINK REL=stylesheet HREF=\"/styles/main.css\">\r\n"
    "<SCRIPT SRC=\"/scripts/menu.js\"></SCRIPT>\r\n"))
LOGO = doc("http://www.example.com/images/logo.gif", "image/gif",
           gif_pattern(16, 8, [(0, 51, 102), (255, 204, 0), (255, 255, 255)], 1))
NAVHOME = doc("http://www.example.com/images/nav/home.gif", "image/gif",
              gif_pattern(8, 8, [(153, 0, 0), (255, 255, 255)], 2))
SPACER = doc("http://www.example.com/images/spacer.gif", "image/gif",
             gif_dot((255, 255, 255)))
CSS = doc("http://www.example.com/styles/main.css", "text/css", text(
    "BODY { font-family: Arial, Helvetica, sans-serif; font-size: 10pt }\n"
    "H1   { color: #003366 }\n"
    "A:link, A:visited { color: #336699 }\n"))
JS = doc("http://www.example.com/scripts/menu.js", "application/x-javascript",
         text("function showMenu(id) {\n"
              "  if (document.layers) document.layers[id].visibility = 'show';\n"
              "  else if (document.all) document.all[id].style.visibility = 'visible';\n"
              "}\n"))
SEARCH = doc("http://www.example.com/cgi-bin/search?q=netscape&lang=en",
             "text/html", html(
                 "Search results",
                 "<H2>3 documents match 'netscape'</H2>\r\n<OL>\r\n"
                 "<LI><A HREF=\"/manual/page.html\">Using the browser</A>\r\n"
                 "<LI><A HREF=\"/manual\">Manual</A>\r\n"
                 "<LI><A HREF=\"/\">Home</A>\r\n</OL>"))
CATALOG = doc("http://www.example.com/products/2000/spring/catalog/page1.html",
              "text/html", html(
                  "Spring 2000 Catalog - Page 1",
                  "<TABLE BORDER=0>\r\n<TR><TD><IMG SRC=\"photo1.jpg\" WIDTH=16 "
                  "HEIGHT=16></TD>\r\n<TD><B>Garden chair</B><BR>Item 2000-114, "
                  "$49.95</TD></TR>\r\n</TABLE>\r\n<P><A HREF=\"page2.html\">Next"
                  " page</A></P>"))
PHOTO = doc("http://www.example.com/products/2000/spring/catalog/photo1.jpg",
            "image/jpeg", jpeg(16, 16, 192))
MANUAL = doc("http://www.example.com/manual", "text/html", html(
    "Manual",
    "<H1>Manual</H1>\r\n<UL>\r\n<LI><A HREF=\"manual/page.html\">Using the"
    " browser</A>\r\n</UL>"))
MANPAGE = doc("http://www.example.com/manual/page.html", "text/html", html(
    "Using the browser",
    "<H1>Using the browser</H1>\r\n<P>Pages you visit are kept in the disk "
    "cache, so going back is fast.</P>"))
WEATHER = "http://www.example.com/weather/today.html"
WEATHER_OLD = html("Weather today",
                   "<H2>Tuesday</H2>\r\n<P>Cloudy, 14&deg;C. Light rain in the "
                   "evening.</P>")
WEATHER_NEW = html("Weather today",
                   "<H2>Wednesday</H2>\r\n<P>Sunny, 19&deg;C. Wind from the "
                   "west.</P>")
D[WEATHER] = ("text/html", WEATHER_NEW)
FRAME = doc("wysiwyg://12/http://www.example.com/frames/left.html", "text/html",
            html("Menu", "<A HREF=\"/\" TARGET=\"_top\">Home</A><BR>\r\n"
                 "<A HREF=\"/manual\" TARGET=\"main\">Manual</A>"))
ADS = doc("http://www.example.com/ads/banner42.gif", "image/gif",
          gif_pattern(12, 4, [(255, 0, 0), (255, 255, 0)], 3))
ADS2 = doc("http://www.example.com/ads/banner43.gif", "image/gif",
           gif_pattern(12, 4, [(0, 0, 255), (255, 255, 0)], 6))
ADSERVER = doc("http://ads.example.net/serve/banner.gif?campaign=spring2000"
               "&size=468x60&site=www.example.com&page=home&slot=top",
               "image/gif", gif_pattern(24, 6, [(255, 102, 0), (255, 255, 255)], 7))

NEWS = doc("HTTP://www.example.org/News/Today.html", "text/html", html(
    "Example.org News",
    "<H1>NEWS</H1>\r\n<P>All systems passed the year 2000 change without "
    "trouble.</P>"))
Y2K = doc("http://www.example.org/news/1999/12/31/y2k.html", "text/html", html(
    "Counting down",
    "<IMG SRC=\"clock.gif\" WIDTH=8 HEIGHT=8>\r\n<H1>Ready for 2000?</H1>\r\n"
    "<P>Our servers have been tested for the date change.</P>"))
CLOCK = doc("http://www.example.org/news/1999/12/31/clock.gif", "image/gif",
            gif_pattern(8, 8, [(0, 0, 0), (192, 192, 192), (255, 255, 255)], 4))
CONTACT = doc("http://www.example.org/about/contact.html", "text/html", html(
    "Contact", "<ADDRESS>Example Organisation<BR>\r\n1 Example Road<BR>\r\n"
    "Example Town</ADDRESS>"))
STAFF = doc("http://www.example.org/about/staff.jpg", "image/jpeg",
            jpeg(8, 8, 96))
NOTES = doc("http://www.example.org/notes/readme.txt", "text/plain", text(
    "Notes for visitors\n==================\n\n"
    "The archive moves to ftp.example.org in March.\n"))
ORGCSS = doc("http://www.example.org/style.css", "text/css", text(
    "BODY { background: #FFFFF0; color: #000000 }\n"
    "ADDRESS { font-style: normal }\n"))

STATUS = doc("http://www.example.net:8080/intranet/status.html", "text/html",
             html("Server status", "<PRE>\r\nweb1   up   41 days\r\n"
                  "web2   up   12 days\r\nmail   up    3 days\r\n</PRE>\r\n"
                  "<IMG SRC=\"graph.jpg\" WIDTH=24 HEIGHT=16>"))
GRAPH = doc("http://www.example.net:8080/intranet/graph.jpg", "image/jpeg",
            jpeg(24, 16, 64))
BANNER = doc("http://images.example.net/banners/banner468.gif", "image/gif",
             gif_pattern(24, 6, [(0, 102, 0), (255, 255, 255), (0, 0, 0)], 5))
SUNSET = doc("http://images.example.net/photos/sunset.jpg", "image/jpeg",
             jpeg(32, 16, 224))

README = doc("ftp://ftp.example.org/pub/utils/README.txt", "text/plain", text(
    "This directory holds small utilities.\n\n"
    "  unpack.zip   archive unpacker, version 1.2\n"
    "  clock.zip    sets the clock from a time server\n"))
FAQ = doc("ftp://ftp.example.org/pub/docs/faq.txt", "text/plain", text(
    "Frequently asked questions\n\n"
    "Q: Where are the old releases?\nA: In /pub/old.\n"))
LOGIN = doc("https://secure.example.com/account/login.html", "text/html", html(
    "Sign in", "<FORM METHOD=POST ACTION=\"login.cgi\">User: <INPUT NAME=u> "
    "Password: <INPUT TYPE=password NAME=p></FORM>"))


# ---------------------------------------------------------------- records

def entry_block(file_name, ctype, mtime, atime, length, expires=0, flags=0):
    """LenEntry, Type, ModificationTime, LastAccessTime, then content length,
    expiry time, flags, a reserved word and a reserved byte (offsets 16..32),
    the file name from offset 33, the content type, and zero padding to a
    multiple of four that always ends in four zero bytes."""
    fixed = struct.pack("<IIIIIIIIB", 0, TYPE_ENTRY, mtime, atime,
                        length, expires, flags, 0, 0)
    tail = file_name.encode("ascii") + b"\x00" + ctype.encode("ascii") + b"\x00"
    body = fixed + tail
    size = len(body) + 4
    size += -size % 4
    block = bytearray(body + b"\x00" * (size - len(body)))
    struct.pack_into("<I", block, 0, size)
    return bytes(block)


def url_block(url):
    """LenURL, TypeURL, the URL, its zero byte and four zero bytes."""
    u = url.encode("latin-1")
    return struct.pack("<II", len(u) + 13, TYPE_URL) + u + b"\x00" * 5


def db_hash(key):
    h = 0
    for c in key:
        h = (h * 33 + c) & 0xFFFFFFFF
    return h


def bucket_of(key):
    b = db_hash(key) & HIGH_MASK
    if b > NBUCKETS - 1:
        b = db_hash(key) & LOW_MASK
    return b


class Page:
    """A bucket page: u16 item count, u16 item offsets (key, data, key,
    data ...), then free space and offset; items packed from the end."""

    def __init__(self):
        self.p = bytearray(BSIZE)
        self._set(0, 0)
        self._set(1, BSIZE - 6)
        self._set(2, BSIZE)

    def _get(self, i):
        return struct.unpack_from("<H", self.p, 2 * i)[0]

    def _set(self, i, v):
        struct.pack_into("<H", self.p, 2 * i, v)

    def offset(self):
        return self._get(self._get(0) + 2)

    def put(self, key, val):
        n = self._get(0)
        off = self.offset() - len(key)
        assert off - len(val) > 2 * (n + 5), "bucket page full"
        self.p[off:off + len(key)] = key
        n += 1
        self._set(n, off)
        off -= len(val)
        self.p[off:off + len(val)] = val
        n += 1
        self._set(n, off)
        self._set(0, n)
        self._set(n + 1, off - (n + 3) * 2)
        self._set(n + 2, off)

    def find(self, key):
        n = self._get(0)
        for ndx in range(1, n, 2):
            ko = self._get(ndx)
            end = BSIZE if ndx == 1 else self._get(ndx - 1)
            if bytes(self.p[ko:end]) == key:
                return ndx
        return None

    def delete(self, key):
        """Remove a pair the way the hash library does: the pairs below it
        move up and the bytes they leave behind are not cleared."""
        ndx = self.find(key)
        assert ndx is not None
        n = self._get(0)
        newoff = BSIZE if ndx == 1 else self._get(ndx - 1)
        pairlen = newoff - self._get(ndx + 1)
        if ndx != n - 1:
            src = self.offset()
            ln = self._get(ndx + 1) - src
            self.p[src + pairlen:src + pairlen + ln] = self.p[src:src + ln]
            for i in range(ndx + 2, n + 1, 2):
                self._set(i - 2, self._get(i) + pairlen)
                self._set(i - 1, self._get(i + 1) + pairlen)
        off = self.offset() + pairlen
        self._set(n, off)
        self._set(n - 1, self._get(n + 1) + pairlen + 4)
        self._set(0, n - 2)

    def live_data_offsets(self):
        return [self._get(i + 1) for i in range(1, self._get(0), 2)]


def header_page(nkeys):
    """Header page, big-endian whatever the byte order of the pages (1234
    here: little-endian): magic, version, byte order, page size and shift,
    directory and segment sizes, overflow point, last freed page, bucket
    masks, fill factor, key count, header pages, the hash of the library's
    check key, then the spares and bitmaps arrays (all empty: no overflow
    pages are in use)."""
    charkey = db_hash(b"%$sniglet^&\x00")      # the check key with its NUL
    spares = [0] * 32
    bitmaps = [0] * 32
    fields = struct.pack(
        ">17i", 0x061561, 2, 1234, BSIZE, 12, 256, 256, 8,
        2,                      # ovfl_point
        0,                      # last_freed
        NBUCKETS - 1, HIGH_MASK, LOW_MASK,
        65,                     # ffactor
        nkeys,
        1,                      # hdrpages
        charkey - (1 << 32) if charkey >= 1 << 31 else charkey)
    page = bytearray(BSIZE)
    data = fields + struct.pack(">32i", *spares) + struct.pack(">32H", *bitmaps)
    page[:len(data)] = data
    return bytes(page)


# ---------------------------------------------------------------- history

class Cache:
    def __init__(self):
        self.pages = [Page() for _ in range(NBUCKETS)]
        self.live = {}          # url -> (file, content)
        self.files = {}         # cache file name -> content (on disk)
        self.names = set()
        self.rng = random.Random(19971031)

    def new_name(self, ctype):
        ext = {"text/html": "HTM", "image/gif": "GIF", "image/jpeg": "JPG",
               "text/css": "CSS", "application/x-javascript": "JS",
               "text/plain": "TXT"}[ctype]
        while True:
            name = "M%07X.%s" % (self.rng.randrange(1 << 28), ext)
            if name not in self.names:
                self.names.add(name)
                return name

    def fetch(self, url, mtime, atime, content=None, expires=0, flags=0):
        """Store a document.  A URL already cached is replaced: delete, then
        add, as the library's put does."""
        ctype, doc_content = D[url]
        if content is None:
            content = doc_content
        key = url_block(url)
        page = self.pages[bucket_of(key)]
        if url in self.live:
            page.delete(key)
        name = self.new_name(ctype)
        page.put(key, entry_block(name, ctype, mtime, atime, len(content),
                                  expires, flags))
        self.live[url] = (name, content)
        self.files[name] = content
        return name

    def evict(self, url, remove_file=True):
        key = url_block(url)
        self.pages[bucket_of(key)].delete(key)
        name, _ = self.live.pop(url)
        if remove_file:
            del self.files[name]
        return name


def build():
    """Replay the browsing history.  Which bucket a URL lands in follows from
    the hash of its key; the evictions at the end are placed so that each
    bucket page keeps a different kind of leftover:
      bucket 0  the evicted banner42.gif was the lowest pair: its record
                stays whole in free space, its file is gone;
      bucket 1  evicting banner43.gif moves style.css (the lowest pair) up
                and leaves a copy of it, naming the same cached file;
      bucket 2  evicting the ad server banner moves the first weather page
                up, and the weather page is then fetched again under a new
                cached file: the old record stays, naming the old file."""
    c = Cache()
    c.fetch(HOME, ts(1997, 3, 4, 9, 12), ts(1997, 3, 4, 9, 12, 40))
    c.fetch(CSS, ts(1997, 2, 20, 16, 5), ts(1997, 3, 4, 9, 12, 41))
    c.fetch(LOGO, ts(1996, 11, 8, 10, 0), ts(1997, 3, 4, 9, 12, 42))
    c.fetch(SPACER, 0, ts(1997, 3, 4, 9, 12, 42))
    c.fetch(NOTES, ts(1997, 6, 30, 8, 0), ts(1997, 7, 2, 14, 31))
    c.fetch(README, ts(1997, 9, 15, 0, 0), ts(1997, 10, 1, 11, 47))
    c.fetch(MANUAL, ts(1997, 11, 3, 13, 20), ts(1998, 1, 12, 10, 2))
    c.fetch(JS, ts(1998, 1, 5, 7, 45), ts(1998, 1, 12, 10, 3))
    c.fetch(NAVHOME, ts(1997, 12, 1, 9, 30), ts(1998, 1, 12, 10, 3, 5))
    c.fetch(CONTACT, ts(1998, 4, 2, 15, 10), ts(1998, 5, 19, 17, 26))
    c.fetch(FAQ, ts(1998, 6, 1, 0, 0), ts(1998, 8, 7, 20, 15))
    c.fetch(SEARCH, ts(1998, 10, 2, 12, 4), ts(1998, 10, 2, 12, 4, 3))
    c.fetch(CLOCK, ts(1999, 12, 28, 8, 0), ts(1999, 12, 31, 23, 58, 11))
    c.fetch(Y2K, ts(1999, 12, 31, 18, 30), ts(1999, 12, 31, 23, 58, 10))
    c.fetch(STATUS, ts(2000, 1, 3, 8, 0), ts(2000, 1, 3, 8, 1),
            expires=ts(2000, 1, 3, 8, 6))
    c.fetch(GRAPH, ts(2000, 1, 3, 8, 0), ts(2000, 1, 3, 8, 1, 2),
            expires=ts(2000, 1, 3, 8, 6))
    c.fetch(CATALOG, ts(2000, 2, 14, 11, 0), ts(2000, 3, 1, 19, 22))
    c.fetch(PHOTO, ts(2000, 2, 10, 16, 40), ts(2000, 3, 1, 19, 22, 4))
    c.fetch(ADSERVER, ts(2000, 4, 18, 20, 0), ts(2000, 4, 18, 20, 0, 1),
            expires=ts(2000, 5, 18, 20, 0))
    c.fetch(MANPAGE, ts(2000, 4, 11, 12, 0), ts(2000, 5, 6, 21, 3))
    c.fetch(BANNER, ts(2000, 7, 1, 0, 0), ts(2000, 7, 20, 13, 45))
    c.fetch(NEWS, ts(2000, 8, 30, 22, 10), ts(2000, 9, 2, 8, 30))
    c.fetch(SUNSET, ts(2000, 9, 17, 19, 5), ts(2000, 10, 5, 18, 0))
    c.fetch(ADS2, ts(2000, 10, 1, 0, 0), ts(2000, 10, 5, 18, 0, 2))
    c.fetch(FRAME, ts(2000, 11, 20, 10, 0), ts(2000, 12, 4, 16, 12))
    c.fetch(ORGCSS, ts(1998, 12, 1, 10, 0), ts(2001, 1, 8, 9, 40))
    c.fetch(LOGIN, ts(2001, 1, 15, 9, 0), ts(2001, 1, 22, 8, 55), flags=1)
    c.fetch(STAFF, ts(2001, 2, 2, 14, 0), ts(2001, 2, 27, 10, 30))
    c.fetch(ADS, ts(2001, 2, 1, 0, 0), ts(2001, 2, 28, 11, 5))
    c.fetch(WEATHER, ts(2001, 3, 13, 6, 0), ts(2001, 3, 13, 7, 15),
            content=WEATHER_OLD, expires=ts(2001, 3, 14, 6, 0))

    # The cache is trimmed and the weather page comes in again.  The old
    # weather file is left behind in the cache directory.
    c.evict(ADSERVER)
    c.evict(ADS2)
    c.fetch(WEATHER, ts(2001, 3, 14, 6, 0), ts(2001, 3, 14, 7, 2),
            expires=ts(2001, 3, 15, 6, 0))
    c.evict(ADS)
    return c


# ---------------------------------------------------------------- scanning

def u32(data, off):
    return struct.unpack_from("<I", data, off)[0]


def scan(data, doubtful=None):
    """Every record TALVEX accepts, in file order, as (offset, fields).
    Candidates with a LenURL of 4 to 8 pass the body tests but leave no room
    for a URL; the program may skip them or end the scan there, so their
    offsets go to `doubtful`."""
    found = []
    pos = BSIZE
    n = len(data)
    while pos + 8 <= n:
        ok = False
        le, ty = u32(data, pos), u32(data, pos + 4)
        if 4 <= le <= 0x800 and 1 <= ty <= 0x100 and pos + le + 8 <= n:
            r = data[pos:pos + le + 8]
            lu, tu = u32(r, le), u32(r, le + 4)
            # A short entry block leaves some of the name bytes unread; the
            # program then tests whatever its buffer still holds, so count
            # them as passing: the sample must be clean either way.
            if (u32(r, le - 4) == 0 and 4 <= lu <= 0x400 and 1 <= tu <= 0x100
                    and tu != 5 and all(0x20 <= x <= 0x80 for x in r[33:41])):
                if lu <= 8:
                    if doubtful is not None:
                        doubtful.append(pos)
                elif pos + le + lu > n:
                    break               # URL block runs past the end
                else:
                    r = data[pos:pos + le + lu]
                    url = r[le + 8:le + lu - 5]
                    if (r[le + lu - 5:] == b"\x00" * 5 and lu >= 14
                            and 0 not in url):
                        ok = True
        if not ok:
            pos += 1
            continue
        fname = r[33:r.index(b"\x00", 33)] if 0 in r[33:] else r[33:]
        found.append((pos, dict(
            LenEntry=le, Type=ty, ModificationTime=u32(r, 8),
            LastAccessTime=u32(r, 12), File=fname.decode("latin-1"),
            LenURL=lu, TypeURL=tu, URL=url.decode("latin-1"))))
        pos += le + lu
    return found


def fmt_time(t):
    if t == 0:
        return "0" + " " * 19
    return time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(t))


def listing(cachedir, live_offsets=None):
    with open(os.path.join(cachedir, "fat.db"), "rb") as f:
        data = f.read()
    if live_offsets is None:
        live_offsets = live_from_pages(data)
    lines = []
    for off, r in scan(data):
        state = "live " if off in live_offsets else "stale"
        present = os.path.exists(os.path.join(cachedir, r["File"]))
        lines.append("%6d 0x%04X %s %-12s %s %s %s%s" % (
            off, off, state, r["File"], fmt_time(r["ModificationTime"]),
            fmt_time(r["LastAccessTime"]), r["URL"],
            "" if present else "   [file missing]"))
    return lines


def live_from_pages(data):
    offs = set()
    for pg in range(1, len(data) // BSIZE):
        base = pg * BSIZE
        n = struct.unpack_from("<H", data, base)[0]
        for i in range(2, n + 1, 2):
            offs.add(base + struct.unpack_from("<H", data, base + 2 * i)[0])
    return offs


# ---------------------------------------------------------------- main

def write(cachedir):
    c = build()
    db = bytearray(header_page(len(c.live)))
    for p in c.pages:
        db += p.p
    os.makedirs(cachedir, exist_ok=True)
    for name in os.listdir(cachedir):
        if name == "fat.db" or CACHE_NAME.match(name):
            os.remove(os.path.join(cachedir, name))
    with open(os.path.join(cachedir, "fat.db"), "wb") as f:
        f.write(db)
    for name, content in sorted(c.files.items()):
        with open(os.path.join(cachedir, name), "wb") as f:
            f.write(content)
    verify(bytes(db), c)
    return c


def verify(db, c):
    """Stop unless the scan finds every live record once plus exactly the
    stale copies the history is meant to leave."""
    doubtful = []
    found = scan(db, doubtful)
    live = live_from_pages(db)
    urls_live = [r["URL"] for off, r in found if off in live]
    stale = [(r["URL"], r["File"]) for off, r in found if off not in live]
    problems = []
    if sorted(urls_live) != sorted(c.live):
        problems.append("live records found: %d of %d" % (len(urls_live), len(c.live)))
    if len(stale) != 3:
        problems.append("stale copies found: %r" % stale)
    stale_urls = [u for u, _ in stale]
    weather_old = [f for u, f in stale if u == WEATHER]
    if not weather_old or weather_old[0] == c.live[WEATHER][0] \
            or c.files.get(weather_old[0]) != WEATHER_OLD:
        problems.append("no stale copy of the earlier weather page")
    if ADS not in stale_urls or any(f in c.files for u, f in stale if u == ADS):
        problems.append("no stale record of the evicted banner42.gif")
    same = [u for u, f in stale if u in c.live and c.live[u][0] == f]
    if len(same) != 1:
        problems.append("want one stale copy naming a live record's file: %r" % same)
    order = [r["URL"] for _, r in found]
    if order.index(MANUAL) > order.index(MANPAGE):
        problems.append("manual must come before manual/page.html")
    if doubtful:
        problems.append("candidates with LenURL 4..8 at %r" % doubtful)
    if found[-1][0] + found[-1][1]["LenEntry"] + found[-1][1]["LenURL"] != len(db):
        problems.append("the last record must end the file")
    if problems:
        sys.exit("make_sample_cache: " + "; ".join(problems))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("cachedir", nargs="?",
                    default=os.path.join(root, "sample", "cache"))
    ap.add_argument("--list", action="store_true",
                    help="list the records found in CACHEDIR/fat.db; write nothing")
    a = ap.parse_args()
    if a.list:
        for line in listing(a.cachedir):
            print(line)
        return
    c = write(a.cachedir)
    print("%s: fat.db with %d live entries, %d cached files" % (
        a.cachedir, len(c.live), len(c.files)))


if __name__ == "__main__":
    main()
