// Preloaded (LD_PRELOAD) so that a test program runs under its environment's locale, as a host
// that calls setlocale(LC_ALL, "") does; anything but a comma-decimal locale stops it.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale>

namespace {

[[gnu::constructor]] void AdoptLocale() {
  if (std::setlocale(LC_ALL, "") == nullptr) {
    std::fputs("adopt_locale: the locale named by the environment is not installed\n", stderr);
    std::_Exit(2);
  }
  std::locale::global(std::locale(""));
  if (std::localeconv()->decimal_point[0] != ',') {
    std::fputs("adopt_locale: the environment's locale does not write a decimal comma\n", stderr);
    std::_Exit(2);
  }
}

}  // namespace
