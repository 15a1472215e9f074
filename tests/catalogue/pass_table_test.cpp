// The pass table's AOS order, which the list and the views read it in.
#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "catalogue/pass_search.h"

using namespace orvanta;

TEST(PassTableSort, KeepsSlotOrderAmongEqualAosAndMovesWholeRecords) {
    const double aos[] = {3, 0, 1, 3, 0, 2, 1, 3};
    std::vector<PassRecord> table(std::size(aos));
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i].aos = aos[i];
        table[i].satellite = static_cast<int>(i);
        table[i].futureTrack[TRACK_POINTS - 1].azimuth = static_cast<double>(i);
    }
    SortPassTable(table);
    std::vector<int> order;
    for (const PassRecord& r : table) {
        order.push_back(r.satellite);
        EXPECT_EQ(r.futureTrack[TRACK_POINTS - 1].azimuth, r.satellite);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 4, 2, 6, 5, 0, 3, 7}));
}
