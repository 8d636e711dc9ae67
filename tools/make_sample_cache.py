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

With --browser it writes the second sample, sample/browser-cache/, whose
records are in the browser's own layout: entry blocks of its version 3 and 5
writers (relative file names such as 1F/cache325F5ADF00048CC.gif in two-digit
folders), URL blocks of 12 + L bytes (28 + L for a POST request, with the MD5
digest of its body), and the hash file as the browser's hash library writes
it: header big-endian, pages little-endian, the bitmap page, the library's
internal INT_ pairs, an overflow page and the table expansion it triggers.
Its history leaves one stale record (a replaced one, whole in free space,
whose file is gone) and one live record whose cached file is missing; the
script checks that with its own scan and walk of the bucket chains.

Usage:
  python3 tools/make_sample_cache.py [CACHEDIR]          regenerate
  python3 tools/make_sample_cache.py --list [CACHEDIR]   list the records
                                                         that the scan finds
  python3 tools/make_sample_cache.py --browser [--list] [CACHEDIR]
                                      the same for the browser-layout cache
CACHEDIR defaults to sample/cache (sample/browser-cache with --browser) below
the repository root.  Regenerating deletes fat.db and the cache files in
CACHEDIR (8.3 names; with --browser, XX/cache... names and the folders they
leave empty) and nothing else.  The output is the same on every run.
"""

import argparse
import calendar
import hashlib
import os
import random
import re
import struct
import sys
import time
import zlib

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


def gzip_stored(data):
    """A gzip member holding data in stored deflate blocks: the same bytes
    on every run, whatever the zlib at hand."""
    out = bytearray(b"\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff")
    for i in range(0, max(len(data), 1), 65535):
        chunk = data[i:i + 65535]
        last = 1 if i + 65535 >= len(data) else 0
        out += struct.pack("<BHH", last, len(chunk), len(chunk) ^ 0xFFFF) + chunk
    out += struct.pack("<II", zlib.crc32(data) & 0xFFFFFFFF, len(data) & 0xFFFFFFFF)
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


# ---------------------------------------------------------------- browser cache
#
# The second sample, sample/browser-cache/, is in the browser's own layout: the
# entry blocks of its version 3 and 5 writers, its URL blocks, and the hash
# file its Berkeley DB 1.85 hash library writes (header big-endian, pages in
# the creating host's byte order, little-endian here).  The history is replayed
# with the library's own page operations, including an overflow page and the
# table expansion that adding one triggers.

B_STRUCT_SIZE = {3: 96, 5: 100}   # the writer's in-memory struct; 96 observed for v3
B_LORDER = 1234
B_DEF_FFACTOR = 65536
B_MIN_FFACTOR = 4
B_REAL_KEY = 4
B_OVFLPAGE = 0
B_CACHE_FILE = re.compile(r"^[0-9A-F]{2}/cache[0-9A-F]{15}(\.[a-z]{3})?$")
INT_SIZE = b"INT_DiskCacheSize"
INT_NUMBER = b"INT_DiskCacheNumber"
INT_NAME = b"INT_ExternalCacheNameString"


def b_string(s):
    """A string of the entry block: its length with the NUL, the bytes, the
    NUL; an absent string is the length 0 alone."""
    if not s:
        return struct.pack("<I", 0)
    b = s.encode("latin-1")
    return struct.pack("<I", len(b) + 1) + b + b"\x00"


def b_slen(s):
    return len(s) + 1 if s else 0


def browser_entry(version, file_name, ctype, url, mtime, atime, length,
                  expires=0, netsite=0, security_on=0, key_size=0,
                  secret_size=0, cipher="", cert=b"", sec_info=b"", method=0,
                  post_headers="", post_size=0, encoding="", charset="",
                  incomplete=0, real_length=None, services=""):
    """The entry block as the browser writes it: the fields from the start of
    a zero-filled buffer whose size is the in-memory struct plus the lengths
    of what it points to (the address with its NUL and the POST body with
    one more byte count although neither is written), so the block always
    ends in zeros."""
    f = struct.pack("<IIIIII", 0, version, mtime, atime, expires, length)
    f += bytes([netsite]) + struct.pack("<I", 0) + b_string(file_name)
    f += struct.pack("<I", 0) + b"\x01" + struct.pack("<I", security_on)
    if version == 3:
        f += struct.pack("<II", key_size, secret_size) + b_string(cipher)
        f += struct.pack("<I", len(cert)) + cert
        extra = len(cert) + b_slen(cipher)
    else:
        f += struct.pack("<I", len(sec_info)) + sec_info
        extra = len(sec_info)
    f += struct.pack("<I", method) + b_string(post_headers)
    f += b_string(ctype) + b_string(encoding) + b_string(charset)
    f += bytes([incomplete]) + struct.pack("<I", length if real_length is None else real_length)
    if version == 5:
        f += b_string(services)
        extra += b_slen(services)
    total = (B_STRUCT_SIZE[version] + len(url) + 1 + post_size + 1
             + b_slen(post_headers) + b_slen(ctype) + b_slen(encoding)
             + b_slen(charset) + b_slen(file_name) + 4 + extra)
    assert total >= len(f) + 4, "entry block without its zero tail"
    block = bytearray(f + b"\x00" * (total - len(f)))
    struct.pack_into("<I", block, 0, total)
    return bytes(block)


def browser_key(url, post_body=None):
    """The URL block: its size, the address length with the NUL, the address
    and its NUL, then the digest size, 0 or 16 followed by the MD5 digest of
    the POST body."""
    u = url.encode("latin-1") + b"\x00"
    tail = struct.pack("<I", 0)
    if post_body is not None:
        tail = struct.pack("<I", 16) + hashlib.md5(post_body).digest()
    return struct.pack("<II", 8 + len(u) + len(tail), len(u)) + u + tail


def fake_certificate(host, size, seed):
    """A DER-shaped certificate: a SEQUENCE around opaque bytes and the host
    name, as the browser stores the server's certificate."""
    rng = random.Random(seed)
    body = b"\x30\x82" + struct.pack(">H", size - 8) + b"\xa0\x03\x02\x01\x02"
    body += bytes(rng.randrange(256) for _ in range(size - 8 - 5 - len(host) - 2))
    body += b"\x13" + bytes([len(host)]) + host.encode("ascii")
    return b"\x30\x82" + struct.pack(">H", len(body)) + body


def pg(p, i):
    return struct.unpack_from("<H", p, 2 * i)[0]


def ps(p, i, v):
    struct.pack_into("<H", p, 2 * i, v)


def new_page():
    p = bytearray(BSIZE)
    ps(p, 1, BSIZE - 6)
    ps(p, 2, BSIZE)
    return p


def free_space(p):
    return pg(p, pg(p, 0) + 1)


def page_offset(p):
    return pg(p, pg(p, 0) + 2)


def put_pair(p, key, val):
    n = pg(p, 0)
    off = page_offset(p) - len(key)
    p[off:off + len(key)] = key
    n += 1
    ps(p, n, off)
    off -= len(val)
    p[off:off + len(val)] = val
    n += 1
    ps(p, n, off)
    ps(p, 0, n)
    ps(p, n + 1, off - (n + 3) * 2)
    ps(p, n + 2, off)


def del_pair(p, ndx):
    """The library's delete: the heap below moves up over the pair, and the
    bytes it leaves below the new OFFSET are not cleared."""
    n = pg(p, 0)
    newoff = BSIZE if ndx == 1 else pg(p, ndx - 1)
    pairlen = newoff - pg(p, ndx + 1)
    if ndx != n - 1:
        src = page_offset(p)
        ln = pg(p, ndx + 1) - src
        p[src + pairlen:src + pairlen + ln] = p[src:src + ln]
        for i in range(ndx + 2, n + 1, 2):
            if pg(p, i + 1) == B_OVFLPAGE:
                ps(p, ndx, pg(p, i))
                ps(p, ndx + 1, pg(p, i + 1))
            else:
                ps(p, ndx, pg(p, i) + pairlen)
                ps(p, ndx + 1, pg(p, i + 1) + pairlen)
            ndx += 2
    ps(p, n, page_offset(p) + pairlen)
    ps(p, n - 1, pg(p, n + 1) + pairlen + 4)
    ps(p, 0, n - 2)


def log2c(x):
    i = 0
    while (1 << i) < x:
        i += 1
    return i


class HashDB:
    """A Berkeley DB 1.85 hash file as the browser creates it: 4096-byte
    pages, two buckets, the first bitmap page at overflow address (1, 1)."""

    def __init__(self):
        self.max_bucket, self.high_mask, self.low_mask = 1, 3, 1
        self.ffactor = B_DEF_FFACTOR
        self.nkeys = 0
        self.spares = [0] * 32
        self.spares[1] = self.spares[2] = 2
        self.ovfl_point = 1
        self.last_freed = 2
        self.bitmaps = [0] * 32
        self.bitmaps[0] = (1 << 11) | 1
        self.pages = {1: new_page(), 2: new_page()}
        bitmap = bytearray(b"\xff" * BSIZE)
        struct.pack_into("<I", bitmap, 0, 0xFFFFFFFD)
        self.bitmap_page = self.oaddr_page(self.bitmaps[0])
        self.pages[self.bitmap_page] = bitmap
        self.expansions = 0

    def bucket_page(self, b):
        return b + 1 + (self.spares[log2c(b + 1) - 1] if b else 0)

    def oaddr_page(self, a):
        return self.bucket_page((1 << (a >> 11)) - 1) + (a & 0x7FF)

    def bucket(self, key):
        h = db_hash(key)
        b = h & self.high_mask
        return b if b <= self.max_bucket else h & self.low_mask

    def chain(self, b):
        """The page numbers of a bucket's chain."""
        pnum = self.bucket_page(b)
        while True:
            yield pnum
            p = self.pages[pnum]
            n = pg(p, 0)
            if n == 0 or pg(p, n) != B_OVFLPAGE:
                return
            pnum = self.oaddr_page(pg(p, n - 1))

    def find(self, key):
        for pnum in self.chain(self.bucket(key)):
            p = self.pages[pnum]
            prev = BSIZE
            for ndx in range(1, pg(p, 0), 2):
                a, b = pg(p, ndx), pg(p, ndx + 1)
                if b == B_OVFLPAGE:
                    break
                if bytes(p[a:prev]) == key:
                    return pnum, ndx
                prev = b
        return None

    def put(self, key, val):
        """Store a pair; an existing key is deleted first and the new pair
        added from the page where it was."""
        found = self.find(key)
        if found:
            del_pair(self.pages[found[0]], found[1])
            self.nkeys -= 1
            self.add(found[0], key, val)
        else:
            self.add(self.bucket_page(self.bucket(key)), key, val)

    def delete(self, key):
        pnum, ndx = self.find(key)
        del_pair(self.pages[pnum], ndx)
        self.nkeys -= 1

    def add(self, pnum, key, val):
        p = self.pages[pnum]
        size = 4 + len(key) + len(val)
        do_expand = False
        while pg(p, 0) and pg(p, pg(p, 0)) == B_OVFLPAGE:
            if pg(p, 2) >= B_REAL_KEY and free_space(p) >= size:
                self.squeeze(p, key, val)
                self.added(False)
                return
            pnum = self.oaddr_page(pg(p, pg(p, 0) - 1))
            p = self.pages[pnum]
        if pg(p, 2) >= B_REAL_KEY and size + 4 <= free_space(p):
            put_pair(p, key, val)
        else:
            do_expand = True
            p = self.add_ovflpage(p)
            assert size + 4 <= free_space(p), "no big pairs here"
            put_pair(p, key, val)
        self.added(do_expand)

    def added(self, do_expand):
        self.nkeys += 1
        if do_expand or self.nkeys // (self.max_bucket + 1) > self.ffactor:
            self.expand()

    def squeeze(self, p, key, val):
        n = pg(p, 0)
        free, off = free_space(p), page_offset(p)
        oaddr = pg(p, n - 1)
        off -= len(key)
        ps(p, n - 1, off)
        p[off:off + len(key)] = key
        off -= len(val)
        ps(p, n, off)
        p[off:off + len(val)] = val
        ps(p, 0, n + 2)
        ps(p, n + 1, oaddr)
        ps(p, n + 2, B_OVFLPAGE)
        ps(p, n + 3, free - 4 - len(key) - len(val))
        ps(p, n + 4, off)

    def add_ovflpage(self, p):
        if self.ffactor == B_DEF_FFACTOR:
            self.ffactor = max(pg(p, 0) >> 1, B_MIN_FFACTOR)
        oaddr = self.overflow_page()
        n = pg(p, 0)
        ps(p, n + 4, page_offset(p))
        ps(p, n + 3, free_space(p) - 4)
        ps(p, n + 1, oaddr)
        ps(p, n + 2, B_OVFLPAGE)
        ps(p, 0, n + 2)
        page = new_page()
        self.pages[self.oaddr_page(oaddr)] = page
        return page

    def overflow_page(self):
        """The first free bit of the (single) bitmap page, else a new page at
        the current split point."""
        bitmap = self.pages[self.bitmap_page]
        split = self.ovfl_point
        in_use_bits = self.spares[split] - 1
        for bit in range(self.last_freed & ~31, in_use_bits + 1):
            word = struct.unpack_from("<I", bitmap, 4 * (bit // 32))[0]
            if not word & (1 << (bit % 32)):
                struct.pack_into("<I", bitmap, 4 * (bit // 32), word | (1 << (bit % 32)))
                page = bit + 1
                if page >= self.last_freed:
                    self.last_freed = page - 1
                i = 0
                while i < split and page > self.spares[i]:
                    i += 1
                return (i << 11) | (page - self.spares[i - 1] if i else page)
        self.last_freed = self.spares[split]
        self.spares[split] += 1
        bit = self.spares[split] - 1
        word = struct.unpack_from("<I", bitmap, 4 * (bit // 32))[0]
        struct.pack_into("<I", bitmap, 4 * (bit // 32), word | (1 << (bit % 32)))
        return (split << 11) | (self.spares[split] - (self.spares[split - 1] if split else 0))

    def expand(self):
        self.expansions += 1
        self.max_bucket += 1
        new = self.max_bucket
        old = new & self.low_mask
        spare_ndx = log2c(self.max_bucket + 1)
        if spare_ndx > self.ovfl_point:
            self.spares[spare_ndx] = self.spares[self.ovfl_point]
            self.ovfl_point = spare_ndx
        if new > self.high_mask:
            self.low_mask = self.high_mask
            self.high_mask = new | self.low_mask
        self.split(old, new)

    def split(self, old, new):
        """Move the pairs that now hash to the new bucket; the old page is
        compacted in place, its vacated bytes left as they were."""
        op = self.pages[self.bucket_page(old)]
        np = self.pages.setdefault(self.bucket_page(new), new_page())
        copyto = off = BSIZE
        ndx = 1
        moved = 0
        for n in range(1, pg(op, 0), 2):
            assert pg(op, n + 1) >= B_REAL_KEY, "no overflow chain on a split bucket"
            key = bytes(op[pg(op, n):off])
            if self.bucket(key) == old:
                diff = copyto - off
                if diff:
                    copyto = pg(op, n + 1) + diff
                    op[copyto:copyto + off - pg(op, n + 1)] = op[pg(op, n + 1):off]
                    ps(op, ndx, copyto + pg(op, n) - pg(op, n + 1))
                    ps(op, ndx + 1, copyto)
                else:
                    copyto = pg(op, n + 1)
                ndx += 2
            else:
                put_pair(np, key, bytes(op[pg(op, n + 1):pg(op, n)]))
                moved += 2
            off = pg(op, n + 1)
        ps(op, 0, pg(op, 0) - moved)
        ps(op, pg(op, 0) + 1, copyto - 2 * (pg(op, 0) + 3))
        ps(op, pg(op, 0) + 2, copyto)

    def header(self):
        fields = struct.pack(
            ">17I", 0x061561, 2, B_LORDER, BSIZE, 12, 256, 256, 8,
            self.ovfl_point, self.last_freed, self.max_bucket,
            self.high_mask, self.low_mask, self.ffactor, self.nkeys, 1,
            db_hash(b"%$sniglet^&\x00"))
        data = (fields + struct.pack(">32I", *self.spares)
                + struct.pack(">32H", *self.bitmaps))
        return data + b"\x00" * (BSIZE - len(data))

    def file(self):
        last = max(self.pages)
        assert sorted(self.pages) == list(range(1, last + 1)), "a hole in the file"
        return self.header() + b"".join(bytes(self.pages[i]) for i in range(1, last + 1))


def live_pairs(data):
    """(data position, data length, key length) of every pair reachable
    from a bucket: the page walk the index reader does, for a sound file."""
    hdr = struct.unpack_from(">17I", data, 0)
    spares = struct.unpack_from(">32I", data, 68)
    bshift, max_bucket, hdrpages = hdr[4], hdr[10], hdr[15]
    bsize = 1 << bshift

    def bucket_page(b):
        return b + hdrpages + (spares[log2c(b + 1) - 1] if b else 0)

    live = set()
    for b in range(max_bucket + 1):
        pnum = bucket_page(b)
        while pnum * bsize < len(data):
            p = data[pnum * bsize:(pnum + 1) * bsize]
            n, prev, nxt = pg(p, 0), bsize, None
            for i in range(1, n, 2):
                a, d = pg(p, i), pg(p, i + 1)
                if d == B_OVFLPAGE:
                    nxt = bucket_page((1 << (a >> 11)) - 1) + (a & 0x7FF)
                    break
                live.add((pnum * bsize + d, a - d, prev - a))
                prev = d
            if nxt is None:
                break
            pnum = nxt
    return live


def browser_scan(data):
    """The records TALVEX's scanner finds from byte 4096 on, in the plain
    shape or the browser's own, as (offset, entry length, URL block length)."""
    def candidate(at, plain_only=False):
        if at + 8 > len(data):
            return None
        le, ty = u32(data, at), u32(data, at + 4)
        if not (33 <= le <= 16370 and 1 <= ty <= 256):
            return None
        if len(data) - at < le + 8:
            return None
        if not all(0x20 <= x <= 0x80 for x in data[at + 33:at + 41]):
            return None
        if u32(data, at + le - 4) != 0:
            return None
        lu = u32(data, at + le)
        if lu > 16370 - le or len(data) - at - le < lu:
            return None
        u = data[at + le:at + le + lu]
        tu = u32(u, 4)
        if lu < 14 or tu == 5:
            return None
        if u32(u, lu - 4) == 0 and u[lu - 5] == 0 and 0 not in u[8:lu - 5]:
            if le <= 2048 and lu <= 1024 and 1 <= tu <= 256:
                return ("plain", le, lu)
            return ("browser", le, lu) if tu == lu - 12 and not plain_only else None
        if not plain_only and lu >= 30 and tu == lu - 28:
            end = lu - 28 + 7
            if u[end] == 0 and u32(u, end + 1) == 16 and 0 not in u[8:end]:
                return ("browser", le, lu)
        return None

    found = []
    at = BSIZE
    while at + 8 <= len(data):
        c = candidate(at)
        if c and c[0] == "browser" and any(
                candidate(i, True) for i in range(at + 1, at + c[1] + c[2])):
            c = None
        if c:
            found.append((at, c[1], c[2]))
            at += c[1] + c[2]
        else:
            at += 1
    return found


def cache_file_name(rng, ctype):
    ext = {"text/html": "", "image/gif": ".gif", "image/jpeg": ".jpg",
           "text/plain": ".txt"}[ctype]
    return "%02X/cache%015X%s" % (rng.randrange(256), rng.randrange(1 << 60), ext)


class BrowserCache:
    def __init__(self):
        self.db = HashDB()
        self.live = {}          # url -> (file, version)
        self.files = {}         # file -> content
        self.rng = random.Random(19970310)
        self.db.put(INT_NAME, b"Netscape Internal Disk Cache\x00")

    def totals(self):
        """The browser's running size and count, stored after each change."""
        size = sum(len(self.files.get(f, b"")) for f, _ in self.live.values())
        self.db.put(INT_SIZE, struct.pack("<I", size))
        self.db.put(INT_NUMBER, struct.pack("<I", len(self.live)))

    def fetch(self, url, ctype, content, mtime, atime, version=3, post=None,
              stored=None, **fields):
        """Store a document: the cached file (stored: its bytes on disk, for
        a partial one), then the record, then the totals."""
        stored = content if stored is None else stored
        name = cache_file_name(self.rng, ctype)
        if post is not None:
            fields.update(method=1, post_size=len(post))
        entry = browser_entry(version, name, ctype, url, mtime, atime,
                              len(stored), real_length=len(content), **fields)
        self.db.put(browser_key(url, post), entry)
        self.live[url] = (name, version)
        self.files[name] = stored
        self.totals()
        return name


B_HOME = "http://www.example.edu/"
B_LOGO = "http://www.example.edu/images/crest.gif"
B_NOTES = "http://www.example.edu/library/hours.txt"
B_NEWS = "http://www.example.edu/news.html"
B_CAMPUS = "http://www.example.edu/photos/campus.jpg"
B_MAP = "http://www.example.edu/images/map.gif"
B_SECURE = "https://register.example.edu/courses.html"
B_SEAL = "https://register.example.edu/images/seal.gif"
B_POST = "https://register.example.edu/cgi-bin/enrol"
B_DE = "http://www.example.de/index.html"
B_README = "http://www.example.de/info/liesmich.txt"
B_CERT_SIZE = 1470  # fills bucket 1 so that the new library hours overflow


def build_browser(cert_size=B_CERT_SIZE):
    """Replay a short browsing session of the version 3 browser, then two
    pages fetched by the version 5 one into the same cache:
      - the home page references the crest GIF; the campus map GIF was cut
        short (only part of it is cached, the real length is larger);
      - the campus photo's cached file is deleted afterwards (missing);
      - the secure pages carry the server's certificate; with them bucket 1's
        page is nearly full when the library hours are fetched again, now
        with a charset: the larger new record no longer fits where the old
        one was, so it goes to an overflow page, and the old record stays
        whole in free space (stale), naming the old cached file, which is
        gone.  Adding the overflow page expands the table to three buckets;
      - the last record goes to the overflow page too."""
    c = BrowserCache()
    cert = fake_certificate("register.example.edu", cert_size, 1)
    secure = dict(netsite=1, security_on=1, key_size=128, secret_size=40,
                  cipher="RC4-40 with MD5", cert=cert)
    c.fetch(B_HOME, "text/html", html(
        "Example University",
        "<IMG SRC=\"images/crest.gif\" WIDTH=16 HEIGHT=8 ALT=\"Crest\">\r\n"
        "<H1>Example University</H1>\r\n<P><A HREF=\"news.html\">News</A> | "
        "<A HREF=\"library/hours.txt\">Library hours</A> | "
        "<A HREF=\"https://register.example.edu/courses.html\">Courses</A></P>"),
        ts(1997, 8, 29, 16, 0), ts(1997, 9, 1, 9, 30), netsite=1)
    c.fetch(B_LOGO, "image/gif",
            gif_pattern(16, 8, [(128, 0, 0), (255, 215, 0), (255, 255, 255)], 11),
            ts(1997, 2, 3, 10, 0), ts(1997, 9, 1, 9, 30, 2), netsite=1)
    c.fetch(B_NEWS, "text/html", html(
        "Campus news", "<H2>Term starts on 8 September</H2>\r\n<P>Registration "
        "is open.</P>"), ts(1997, 8, 30, 12, 0), ts(1997, 9, 1, 9, 31), netsite=1)
    c.fetch(B_CAMPUS, "image/jpeg", jpeg(16, 8, 160), ts(1997, 5, 12, 14, 0),
            ts(1997, 9, 1, 9, 34), expires=ts(1997, 10, 1))
    m = gif_pattern(32, 16, [(0, 96, 0), (200, 200, 160), (0, 0, 128)], 12)
    c.fetch(B_MAP, "image/gif", m, ts(1997, 6, 2, 9, 0), ts(1997, 9, 1, 9, 34, 5),
            stored=m[:len(m) // 2], incomplete=1)
    c.fetch(B_SECURE, "text/html", html(
        "Course registration",
        "<IMG SRC=\"images/seal.gif\" WIDTH=8 HEIGHT=8>\r\n"
        "<FORM METHOD=POST ACTION=\"cgi-bin/enrol\">Course: <INPUT NAME=c>"
        "<INPUT TYPE=submit VALUE=Enrol></FORM>"),
        ts(1997, 8, 20, 8, 0), ts(1997, 9, 1, 9, 40), **secure)
    c.fetch(B_SEAL, "image/gif", gif_pattern(8, 8, [(0, 0, 160), (255, 255, 255)], 13),
            ts(1996, 12, 1, 8, 0), ts(1997, 9, 1, 9, 40, 1), **secure)
    c.fetch(B_POST, "text/html", html(
        "Enrolled", "<P>You are enrolled in course HIST-204.</P>"),
        0, ts(1997, 9, 1, 9, 41), post=b"c=HIST-204",
        post_headers="Content-type: application/x-www-form-urlencoded\r\n"
                     "Content-length: 10\r\n", **secure)
    c.fetch(B_NOTES, "text/plain", text(
        "Library opening hours\n\nMonday to Friday  8.00 - 22.00\n"
        "Saturday          10.00 - 17.00\n"),
        ts(1997, 8, 1, 8, 0), ts(1997, 9, 1, 9, 43), netsite=1)
    old_notes = c.live[B_NOTES][0]
    c.fetch(B_NOTES, "text/plain", text(
        "Library opening hours\n\nMonday to Friday  8.00 - 22.00\n"
        "Saturday          10.00 - 17.00\nSunday            closed\n"),
        ts(1997, 9, 2, 8, 0), ts(1997, 9, 2, 18, 5), netsite=1,
        charset="iso-8859-1")
    del c.files[old_notes]                  # replaced by the new file
    del c.files[c.live[B_CAMPUS][0]]        # the user cleared the file away
    c.fetch(B_DE, "text/html", gzip_stored(html(
        "Beispiel", "<H1>Willkommen</H1>\r\n<P>Gr\xfc\xdfe aus Beispielstadt.</P>")),
        ts(1998, 4, 2, 10, 0), ts(1998, 4, 6, 11, 12), version=5,
        charset="iso-8859-1", encoding="x-gzip", netsite=1,
        services="http://www.example.de/services.html")
    c.fetch(B_README, "text/plain", text("Liesmich\n\nHier steht noch nichts.\n"),
            ts(1998, 3, 30, 7, 0), ts(1998, 4, 6, 11, 14), version=5)
    return c, old_notes


def write_browser(cachedir):
    c, old_notes = build_browser()
    db = c.db.file()
    os.makedirs(cachedir, exist_ok=True)
    for folder in os.listdir(cachedir):
        sub = os.path.join(cachedir, folder)
        if folder == "fat.db":
            os.remove(sub)
        elif re.match(r"^[0-9A-F]{2}$", folder) and os.path.isdir(sub):
            for name in os.listdir(sub):
                if B_CACHE_FILE.match(folder + "/" + name):
                    os.remove(os.path.join(sub, name))
            if not os.listdir(sub):
                os.rmdir(sub)
    with open(os.path.join(cachedir, "fat.db"), "wb") as f:
        f.write(db)
    for name, content in sorted(c.files.items()):
        os.makedirs(os.path.join(cachedir, os.path.dirname(name)), exist_ok=True)
        with open(os.path.join(cachedir, name), "wb") as f:
            f.write(content)
    verify_browser(db, c, old_notes)
    return c


def browser_records(data):
    """(offset, URL, file, version, live) of every record the scan finds."""
    live = live_pairs(data)
    out = []
    for at, le, lu in browser_scan(data):
        ln = u32(data, at + le + 4)
        url = data[at + le + 8:at + le + 8 + ln - 1].decode("latin-1")
        fl = u32(data, at + 29)
        fname = data[at + 33:at + 33 + fl - 1].decode("latin-1")
        out.append((at, url, fname, u32(data, at + 4), (at, le, lu) in live))
    return out


def verify_browser(db, c, old_notes):
    problems = []
    records = browser_records(db)
    live = sorted((u, f) for _, u, f, _, l in records if l)
    if live != sorted((u, f) for u, (f, _) in c.live.items()):
        problems.append("live records found: %r" % live)
    stale = [(u, f) for _, u, f, _, l in records if not l]
    if stale != [(B_NOTES, old_notes)]:
        problems.append("stale records found: %r" % stale)
    if sum(1 for r in records if r[3] == 5) != 2:
        problems.append("want two version 5 records")
    if c.db.expansions != 1 or c.db.max_bucket != 2:
        problems.append("want one expansion to three buckets")
    if not any(pg(c.db.pages[p], pg(c.db.pages[p], 0)) == B_OVFLPAGE
               and pg(c.db.pages[p], 0) for p in c.db.pages if p != c.db.bitmap_page):
        problems.append("want an overflow chain")
    missing = [u for _, u, f, _, l in records if l and f not in c.files]
    if missing != [B_CAMPUS]:
        problems.append("want the campus photo's file missing: %r" % missing)
    if problems:
        sys.exit("make_sample_cache --browser: " + "; ".join(problems))


def browser_listing(cachedir):
    with open(os.path.join(cachedir, "fat.db"), "rb") as f:
        data = f.read()
    lines = []
    for at, url, fname, version, live in browser_records(data):
        present = os.path.exists(os.path.join(cachedir, fname))
        lines.append("%6d 0x%04X v%d %s %-30s %s%s" % (
            at, at, version, "live " if live else "stale", fname, url,
            "" if present else "   [file missing]"))
    return lines


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
    ap.add_argument("cachedir", nargs="?")
    ap.add_argument("--list", action="store_true",
                    help="list the records found in CACHEDIR/fat.db; write nothing")
    ap.add_argument("--browser", action="store_true",
                    help="the cache in the browser's own layout "
                         "(CACHEDIR defaults to sample/browser-cache)")
    a = ap.parse_args()
    if a.browser and a.cachedir is None:
        a.cachedir = os.path.join(root, "sample", "browser-cache")
    elif a.cachedir is None:
        a.cachedir = os.path.join(root, "sample", "cache")
    if a.list:
        for line in (browser_listing if a.browser else listing)(a.cachedir):
            print(line)
        return
    c = (write_browser if a.browser else write)(a.cachedir)
    print("%s: fat.db with %d live entries, %d cached files" % (
        a.cachedir, len(c.live), len(c.files)))


if __name__ == "__main__":
    main()
