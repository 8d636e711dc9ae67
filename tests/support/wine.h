// Telling wine from Windows (Windows builds only), for the few things wine does
// differently: it changes creation times, every read moves the access time, a
// move through a Unix link moves the link's target, and long paths work without
// the "\\?\" form.
#pragma once

// True when ntdll is wine's (it exports wine_get_version).
bool UnderWine();
