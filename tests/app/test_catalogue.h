#pragma once
// A small catalogue of real element sets (CelesTrak, 2026-05-07) for the chooser tests:
// low orbits, a GPS satellite, two geostationary ones, and a duplicate catalogue number.
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/element_file.h"

namespace orvanta::testing {

inline KeplerRecord MakeRecord(const std::string& name, const std::string& line1,
                               const std::string& line2) {
    KeplerRecord r;
    std::strncpy(r.name, name.c_str(), sizeof r.name - 1);
    std::strncpy(r.line1, line1.c_str(), sizeof r.line1 - 1);
    std::strncpy(r.line2, line2.c_str(), sizeof r.line2 - 1);
    r.catalogueNumber = ParseCatalogueNumber(r.Line1().substr(2, 5));
    return r;
}

inline KeplerCatalogue SampleCatalogue() {
    KeplerCatalogue c;
    c.records = {
        MakeRecord("ISS (ZARYA)",
                   "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993",
                   "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437"),
        MakeRecord("GOES 16",
                   "1 41866U 16071A   26127.66745124 -.00000083  00000+0  00000+0 0  9993",
                   "2 41866   0.2388  85.6439 0001100 275.7902 359.6556  1.00272766 34699"),
        MakeRecord("NAVSTAR 81 (USA 319)",
                   "1 48859U 21054A   26125.37706295 -.00000079  00000+0  00000+0 0  9996",
                   "2 48859  55.1936 334.1809 0024150 229.4181 306.9589  2.00572104 35898"),
        MakeRecord("HST", "1 20580U 90037B   26127.71581694  .00005876  00000+0  18705-3 0  9992",
                   "2 20580  28.4762 357.0772 0002154  56.1313 303.9488 15.30317018782368"),
        MakeRecord("IRIDIUM 106",
                   "1 41917U 17003A   26127.69951742  .00000002  00000+0 -63375-5 0  9995",
                   "2 41917  86.3935 105.4840 0002374  78.9224 281.2239 14.34217327487402"),
        MakeRecord("METEOSAT-11 (MSG-4)",
                   "1 40732U 15034A   26127.69007132  .00000070  00000+0  00000+0 0  9990",
                   "2 40732   3.1014  71.3215 0001584 348.6165  63.3593  1.00267586  6816"),
        // The same number again, as a file with a repeated set holds it: the first wins.
        MakeRecord("ISS (DUPLICATE)",
                   "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993",
                   "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437"),
        MakeRecord("hubble lower case",
                   "1 99999U 90037B   26127.71581694  .00005876  00000+0  18705-3 0  9992",
                   "2 99999  28.4762 357.0772 0002154  56.1313 303.9488 15.30317018782368"),
    };
    return c;
}

inline SelectedSat Sel(std::int32_t number, std::int32_t index = NO_CATALOGUE_INDEX) {
    SelectedSat s;
    s.catalogueNumber = number;
    s.catalogueIndex = index;
    return s;
}

}  // namespace orvanta::testing
