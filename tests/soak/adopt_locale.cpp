// Preloaded into a test program (LD_PRELOAD) so that it runs under the locale its environment
// names, as a host application that calls setlocale(LC_ALL, "") does; a program that never
// calls it stays in the "C" locale, and LC_ALL alone would prove nothing. The run is only
// worth something under a comma-decimal locale, so anything else stops it.
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
