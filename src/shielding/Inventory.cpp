#include "shielding/Inventory.h"

#include "attenuation/TextLines.h"
#include "data/NumberMask.h"
#include "shielding/Dose.h"
#include "shielding/LibraryCsv.h"
#include "shielding/ShieldingLibrary.h"

#include <algorithm>

namespace shielding {

namespace {

// A typed name as compared: lower case, without blanks, '-' and '_'.
std::string plainName(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '-' && c != '_') {
            out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    return out;
}

// One "NAME=ACTIVITY" or "NAME,ACTIVITY" item read against the library's nuclides.
bool readItem(std::string_view name, std::string_view activity,
              const std::vector<Nuclide>& nuclides, const DecayData* chains,
              std::vector<InventoryItem>& items, std::string& error) {
    std::optional<InventoryItem> item = InventoryItemOf(name, 0.0, nuclides, chains, error);
    if (!item) {
        return false;
    }
    const std::optional<double> bq = ReadActivityBq(activity, error);
    if (!bq) {
        error = std::string(item->Name()) + ": " + error;
        return false;
    }
    item->activityBq = *bq;
    for (const InventoryItem& other : items) {
        if (other.Name() == item->Name()) {
            error = std::string(item->Name()) + " is named twice in the inventory";
            return false;
        }
    }
    items.push_back(*item);
    return true;
}

// Sorts the lines from `first` on by energy, keeping equal energies in order.
void sortFrom(EmittedLines& out, std::size_t first) {
    std::vector<std::size_t> order(out.lines.size() - first);
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = first + i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return out.lines[a].energyMeV < out.lines[b].energyMeV;
    });
    std::vector<PhotonLine> lines;
    std::vector<double> perDecay;
    for (const std::size_t i : order) {
        lines.push_back(out.lines[i]);
        perDecay.push_back(out.perDecay[i]);
    }
    const auto at = static_cast<std::ptrdiff_t>(first);
    std::copy(lines.begin(), lines.end(), out.lines.begin() + at);
    std::copy(perDecay.begin(), perDecay.end(), out.perDecay.begin() + at);
}

// Each share's own lines times `count` of it, item by item, energies rising within an item.
template <typename Count>
EmittedLines memberLines(const std::vector<InventoryItem>& items,
                         const std::vector<EmitterShare>& shares, Count count) {
    EmittedLines out;
    std::size_t first = 0;
    for (std::size_t s = 0; s < shares.size(); ++s) {
        const double number = count(shares[s]);
        for (const PhotonLine& line : shares[s].member->lines) {
            out.lines.push_back(
                {line.energyMeV, line.photonsPerDecay * number, line.kind, line.emitter});
            out.item.push_back(shares[s].item);
            out.perDecay.push_back(line.photonsPerDecay *
                                   (number / items[shares[s].item].activityBq));
        }
        if (s + 1 == shares.size() || shares[s + 1].item != shares[s].item) {
            sortFrom(out, first);
            first = out.lines.size();
        }
    }
    return out;
}

} // namespace

std::optional<InventoryItem> InventoryItemOf(std::string_view name, double activityBq,
                                             const std::vector<Nuclide>& nuclides,
                                             const DecayData* chains, std::string& error) {
    if (const Nuclide* nuclide = FindNuclide(nuclides, name)) {
        return InventoryItem{nuclide, activityBq, nullptr};
    }
    for (std::size_t m = 0; chains != nullptr && m < chains->members.size(); ++m) {
        const ChainMember& member = chains->members[m];
        if (!member.Stable() && plainName(member.name) == plainName(name)) {
            return InventoryItem{nullptr, activityBq, &member};
        }
    }
    const std::string suggestion = DidYouMean(nuclides, name);
    error = attenuation::QuotedExcerpt(name) + " is no nuclide of the library" +
            (suggestion.empty() ? " (photonxs-cli nuclides lists them)" : suggestion);
    return std::nullopt;
}

std::optional<std::vector<double>> ItemStart(const DecayData& data, const InventoryItem& item,
                                             bool fresh) {
    if (item.nuclide != nullptr) {
        return StartingActivities(data, *item.nuclide, item.activityBq, fresh);
    }
    const std::optional<std::size_t> head = data.IndexOf(item.member->name);
    if (!head) {
        return std::nullopt;
    }
    std::vector<double> start(data.members.size(), 0.0);
    start[*head] = item.activityBq;
    return start;
}

std::optional<std::vector<InventoryItem>> ParseInventoryList(std::string_view text,
                                                             const std::vector<Nuclide>& nuclides,
                                                             std::string& error,
                                                             const DecayData* chains) {
    std::vector<InventoryItem> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, comma - start);
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) {
            error = "the inventory item " + attenuation::QuotedExcerpt(item) +
                    " is not NUCLIDE=ACTIVITY (for example Co-60=1GBq)";
            return std::nullopt;
        }
        if (!readItem(item.substr(0, equals), item.substr(equals + 1), nuclides, chains, items,
                      error)) {
            return std::nullopt;
        }
        start = comma + 1;
    }
    return items;
}

std::optional<std::vector<InventoryItem>> ParseInventoryCsv(std::string_view text,
                                                            const std::vector<Nuclide>& nuclides,
                                                            std::string& error,
                                                            const DecayData* chains) {
    const std::optional<std::vector<CsvRow>> rows = ReadCsvRows(text, kInventoryHeader, error);
    if (!rows) {
        return std::nullopt;
    }
    std::vector<InventoryItem> items;
    for (const CsvRow& row : *rows) {
        std::string problem;
        if (!readItem(row.fields[0], row.fields[1], nuclides, chains, items, problem)) {
            error = AtLine(row.line, problem);
            return std::nullopt;
        }
    }
    if (items.empty()) {
        error = "no nuclide under the header " + std::string(kInventoryHeader);
        return std::nullopt;
    }
    return items;
}

bool LooksLikeInventory(std::string_view text) {
    for (const std::string_view line :
         attenuation::SplitLines(attenuation::WithoutByteOrderMark(text))) {
        if (!line.empty() && line.front() != '#') {
            return line == kInventoryHeader;
        }
    }
    return false;
}

std::optional<std::vector<EmitterShare>> InventoryEmitters(const DecayData& data,
                                                           const std::vector<InventoryItem>& items,
                                                           const DecayRequest& request,
                                                           std::string& error) {
    std::vector<EmitterShare> shares;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::optional<std::vector<double>> start = ItemStart(data, items[i], request.fresh);
        if (!start) {
            error = std::string(items[i].Name()) + " has no decay chain in the library";
            return std::nullopt;
        }
        const std::vector<double> now = ActivitiesAt(data, *start, request.timeS);
        const std::vector<double> decays = request.stayS > 0.0
                                               ? DecaysDuring(data, now, request.stayS)
                                               : std::vector<double>(now.size(), 0.0);
        for (std::size_t m = 0; m < now.size(); ++m) {
            if (now[m] > 0.0 || decays[m] > 0.0) {
                shares.push_back({i, &data.members[m], now[m], decays[m]});
            }
        }
    }
    return shares;
}

void EmittedLines::KeepAbove(double cutoffMeV) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].energyMeV > cutoffMeV) {
            lines[kept] = lines[i];
            item[kept] = item[i];
            perDecay[kept] = perDecay[i];
            ++kept;
        }
    }
    lines.resize(kept);
    item.resize(kept);
    perDecay.resize(kept);
}

EmittedLines RateLines(const std::vector<InventoryItem>& items,
                       const std::vector<EmitterShare>& shares, const DecayRequest& request) {
    if (!request.UsesLineTables()) {
        return memberLines(items, shares, [](const EmitterShare& s) { return s.activityBq; });
    }
    EmittedLines out;
    const bool alone = items.size() == 1 && items.front().nuclide != nullptr;
    out.activityBq = alone ? items.front().activityBq : 1.0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        // A chain member without a line table stands alone at time 0, with its own lines.
        const std::vector<PhotonLine>& lines =
            items[i].nuclide != nullptr ? items[i].nuclide->lines : items[i].member->lines;
        for (const PhotonLine& line : lines) {
            out.lines.push_back(line);
            if (!alone) {
                out.lines.back().photonsPerDecay *= items[i].activityBq;
            }
            out.item.push_back(i);
            out.perDecay.push_back(line.photonsPerDecay);
        }
    }
    return out;
}

EmittedLines StayLines(const std::vector<InventoryItem>& items,
                       const std::vector<EmitterShare>& shares) {
    return memberLines(items, shares, [](const EmitterShare& s) { return s.decaysInStay; });
}

Outcome RateSeries(const DecayData& data, const std::vector<InventoryItem>& items, bool fresh,
                   std::span<const double> timesS, double distanceCm,
                   const std::vector<ShieldLayer>& layers, const DoseOptions& options,
                   const KermaMedia& media, std::vector<double>& rates, std::string& error) {
    std::vector<double> start(data.members.size(), 0.0);
    std::vector<std::size_t> heads;
    for (const InventoryItem& item : items) {
        heads.push_back(data.IndexOf(item.Name()).value_or(data.members.size()));
        const std::optional<std::vector<double>> own = ItemStart(data, item, fresh);
        if (!own) {
            error = std::string(item.Name()) + " has no decay chain in the library";
            return Outcome::NoSolution;
        }
        for (std::size_t m = 0; m < start.size(); ++m) {
            start[m] += (*own)[m];
        }
    }
    // The rate of 1 Bq of each member that the inventory reaches.
    const std::vector<bool> reached = MembersReached(data, heads);
    std::vector<double> perBq(data.members.size(), 0.0);
    DoseResult result;
    for (std::size_t m = 0; m < data.members.size(); ++m) {
        if (reached[m] && !data.members[m].lines.empty()) {
            DoseRate(data.members[m].lines, 1.0, distanceCm, layers, options, media, result);
            if (result.outcome != Outcome::Ok) {
                return result.outcome;
            }
            perBq[m] = result.total;
        }
    }
    rates.assign(timesS.size(), 0.0);
    for (std::size_t t = 0; t < timesS.size(); ++t) {
        const std::vector<double> now = ActivitiesAt(data, start, timesS[t]);
        for (std::size_t m = 0; m < now.size(); ++m) {
            rates[t] += now[m] * perBq[m];
        }
    }
    return Outcome::Ok;
}

bool ComputeInventoryDose(const DecayData& data, const std::vector<InventoryItem>& items,
                          const DecayRequest& request, double distanceCm,
                          const std::vector<ShieldLayer>& layers, const DoseOptions& options,
                          const KermaMedia& media, InventoryDose& dose, std::string& error) {
    const std::optional<std::vector<EmitterShare>> shares =
        InventoryEmitters(data, items, request, error);
    if (!shares) {
        return false;
    }
    dose.emitted = RateLines(items, *shares, request);
    dose.emitted.KeepAbove(options.cutoffMeV);
    EmittedLines stayLines = StayLines(items, *shares);
    stayLines.KeepAbove(options.cutoffMeV);
    DoseResult stay;
    DoseRate(dose.emitted.lines, dose.emitted.activityBq, distanceCm, layers, options, media,
             dose.rate);
    DoseRate(stayLines.lines, 1.0, distanceCm, layers, options, media, stay);
    for (const DoseResult* each : {&dose.rate, &stay}) {
        for (const LineDose& line : each->lines) {
            if (line.outcome != Outcome::Ok) {
                error = "the " + data::FormatExact(line.energyMeV) + " MeV line has no value: " +
                        attenuation::DescribeOutcome(line.outcome, line.energyMeV);
                return false;
            }
        }
    }
    dose.itemRates.assign(items.size(), 0.0);
    dose.itemDoses.assign(items.size(), 0.0);
    for (std::size_t i = 0; i < dose.rate.lines.size(); ++i) {
        dose.itemRates[dose.emitted.item[i]] += dose.rate.lines[i].rate;
    }
    // Photons over the stay give (base unit/h) s: 1/3600 of the base dose unit each.
    for (std::size_t i = 0; i < stay.lines.size(); ++i) {
        dose.itemDoses[stayLines.item[i]] += stay.lines[i].rate / 3600.0;
    }
    dose.stayDose = 0.0;
    for (const double itemDose : dose.itemDoses) {
        dose.stayDose += request.stayS > 0.0 ? itemDose : 0.0;
    }
    return true;
}

std::vector<double> DecayPlotTimesS(const DecayData& data, const std::vector<InventoryItem>& items,
                                    const DecayRequest& request, int steps) {
    constexpr double kLongest = 100.0 * kSecondsPerYear;
    double shortest = kLongest;
    for (const InventoryItem& item : items) {
        if (const std::optional<std::size_t> m = data.IndexOf(item.Name());
            m && !data.members[*m].Stable()) {
            shortest = std::min(shortest, data.members[*m].halfLifeS);
        }
    }
    const double span =
        std::min(kLongest, std::max(3.0 * shortest, 1.5 * (request.timeS + request.stayS)));
    std::vector<double> times;
    for (int k = 0; k <= steps; ++k) {
        times.push_back(span * k / std::max(steps, 1));
    }
    return times;
}

} // namespace shielding
