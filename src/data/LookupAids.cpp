#include "data/LookupAids.h"

#include "data/CharConv.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace data {

namespace {

// The look-ups never take the logarithm of a value that is not positive; 0 fills its place.
double logarithmOf(double value) { return value > 0.0 ? std::log(value) : 0.0; }

} // namespace

RowLogarithms LogarithmsOfRow(const MaterialTable& table, int i) {
    const auto s = static_cast<std::size_t>(i);
    RowLogarithms row;
    row.energy = table.Energy[s];
    row.logEnergy = logarithmOf(row.energy);
    row.value = {table.Coherent[s],    table.Incoherent[s],   table.PhotoElectric[s],
                 table.PairNuclear[s], table.PairElectron[s], table.Total[s]};
    for (std::size_t c = 0; c < row.value.size(); ++c) {
        row.logValue[c] = logarithmOf(row.value[c]);
    }
    return row;
}

void RefreshLookupAids(MaterialTable& table) {
    LookupAids& aids = table.lookupAids;
    const int rows = std::clamp(table.RowCount, 0, kTableCapacity);
    aids.rows = rows;
    aids.energiesNeverFall = true;
    aids.totalsComparable = true;
    for (int i = 1; i <= rows; ++i) {
        const auto s = static_cast<std::size_t>(i);
        const double energy = table.Energy[s];
        if (std::isnan(energy) || (i > 1 && energy < table.Energy[s - 1])) {
            aids.energiesNeverFall = false;
        }
        const double total = table.Total[s];
        if (std::isnan(total)) {
            aids.totalsComparable = false;
        }
        aids.lowestTotal[s] = i == 1 ? total : std::min(aids.lowestTotal[s - 1], total);
        aids.row[s] = LogarithmsOfRow(table, i);
    }
    if (aids.energiesNeverFall && rows >= 1) {
        // Where the energy walk stops for each bucket's lowest energy; the buckets rise, so
        // the walk goes on from where it stopped for the bucket before.
        int stop = 1;
        for (unsigned bucket = 0; bucket < kEnergyBuckets; ++bucket) {
            const double lowest = data::BitCast<double>(
                std::uint64_t{kFirstEnergyBucketKey + bucket} << kEnergyBucketShift);
            while (stop < rows && table.Energy[static_cast<std::size_t>(stop)] < lowest) {
                ++stop;
            }
            aids.energyBucketRow[bucket] = static_cast<std::uint8_t>(stop);
        }
    }
    aids.valid = true;
}

} // namespace data
