#pragma once

#include "shielding/Decay.h"
#include "shielding/Dose.h"
#include "shielding/Nuclides.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace shielding {

/// One nuclide of a source with its activity when measured: a nuclide of the line table, or
/// else a radioactive chain member that has none (Sr-82, Pb-210), which starts alone.
struct InventoryItem {
    const Nuclide* nuclide = nullptr;
    double activityBq = 0.0;
    const ChainMember* member = nullptr; ///< set where `nuclide` is null

    std::string_view Name() const { return nuclide != nullptr ? nuclide->name : member->name; }
};

/// "Co-60=1GBq,Cs-137=10mCi": each item a nuclide of `nuclides` (any spelling FindNuclide takes)
/// or, given `chains`, a radioactive member of them ("Pb-210", case, blanks, '-' and '_' aside),
/// '=', an activity with its unit. Empty with `error` for an unknown nuclide (with the closest
/// names), a missing or negative activity, or a nuclide named twice.
std::optional<std::vector<InventoryItem>> ParseInventoryList(std::string_view text,
                                                             const std::vector<Nuclide>& nuclides,
                                                             std::string& error,
                                                             const DecayData* chains = nullptr);

/// The header of an inventory file.
inline constexpr std::string_view kInventoryHeader = "nuclide,activity";

/// An inventory file's text: '#' comments, the header nuclide,activity, then one row per nuclide
/// with the unit in the activity cell ("Co-60,1 GBq"). Errors name the line.
std::optional<std::vector<InventoryItem>> ParseInventoryCsv(std::string_view text,
                                                            const std::vector<Nuclide>& nuclides,
                                                            std::string& error,
                                                            const DecayData* chains = nullptr);

/// The item of one name and activity, as the lists read them (for inventories built in code).
std::optional<InventoryItem> InventoryItemOf(std::string_view name, double activityBq,
                                             const std::vector<Nuclide>& nuclides,
                                             const DecayData* chains, std::string& error);

/// Every member's activity at the start for one item: StartingActivities for a nuclide of the
/// line table, the member alone for another. Empty when the item has no chain in `data`.
std::optional<std::vector<double>> ItemStart(const DecayData& data, const InventoryItem& item,
                                             bool fresh);

/// True when a text's first line that is not a comment is the inventory header.
bool LooksLikeInventory(std::string_view text);

/// When and how an inventory is looked at: `timeS` after it was measured, over a stay of
/// `stayS` from then, starting from the named nuclides alone when `fresh`.
struct DecayRequest {
    double timeS = 0.0;
    double stayS = 0.0;
    bool fresh = false;

    /// At time 0 from equilibrium, each nuclide's own line table gives its lines exactly.
    bool UsesLineTables() const { return timeS == 0.0 && !fresh; }
};

/// One chain member of one item: its activity at the request's time and its decays during
/// the stay.
struct EmitterShare {
    std::size_t item = 0; ///< index into the inventory
    const ChainMember* member = nullptr;
    double activityBq = 0.0;
    double decaysInStay = 0.0;
};

/// Every chain member of every item with an activity or decays above 0, items in order.
/// Empty with `error` when an item's nuclide has no chain in `data`.
std::optional<std::vector<EmitterShare>> InventoryEmitters(const DecayData& data,
                                                           const std::vector<InventoryItem>& items,
                                                           const DecayRequest& request,
                                                           std::string& error);

/// Photon lines as emitted by a whole inventory, for DoseRate with `activityBq`: photonsPerDecay
/// times activityBq is photons per second (for a rate) or photons during the stay. `item` is
/// the index of the inventory item each line comes from and `perDecay` its photons per decay
/// of that item's activity as given. Each item's lines stand together, energies never falling.
struct EmittedLines {
    std::vector<PhotonLine> lines;
    std::vector<std::size_t> item;
    std::vector<double> perDecay;
    double activityBq = 1.0;

    /// Keeps the lines above `cutoffMeV` alone, the ones DoseRate counts, so that its results
    /// stand line for line beside `item` and `perDecay`.
    void KeepAbove(double cutoffMeV);
};

/// The lines at the request's time: each item's own line table times its activity where the
/// request UsesLineTables (one item alone: its table as it is, with its activity in
/// activityBq), else each member's own lines times its activity.
EmittedLines RateLines(const std::vector<InventoryItem>& items,
                       const std::vector<EmitterShare>& shares, const DecayRequest& request);

/// The photons emitted during the stay: each member's own lines times its decays.
EmittedLines StayLines(const std::vector<InventoryItem>& items,
                       const std::vector<EmitterShare>& shares);

/// The total rate of an inventory at each of `timesS` behind a shield (DoseRate's arguments, the
/// quantity's base unit), each member's own lines at every time (so at time 0 it differs from
/// the line tables' rate by their rounding only): each member's rate per Bq is computed once,
/// then weighted by its activity at each time. The first failing line's outcome, or else Ok;
/// `rates` gets one value per time.
Outcome RateSeries(const DecayData& data, const std::vector<InventoryItem>& items, bool fresh,
                   std::span<const double> timesS, double distanceCm,
                   const std::vector<ShieldLayer>& layers, const DoseOptions& options,
                   const KermaMedia& media, std::vector<double>& rates, std::string& error);

/// An inventory's rate at the request's time line by line, each item's share, and the dose over
/// the stay; rates in the quantity's base unit (uGy/h, mR/h, uSv/h), doses in uGy, mR, uSv.
struct InventoryDose {
    EmittedLines emitted; ///< the rate's lines above the cut-off, standing beside `rate.lines`
    DoseResult rate;
    std::vector<double> itemRates; ///< one per item
    std::vector<double> itemDoses; ///< one per item, over the stay; 0 without a stay
    double stayDose = 0.0;
};

/// The inventory's dose as InventoryEmitters, RateLines and StayLines give its lines. False with
/// `error` for an item without a chain or a line without a value (naming its energy).
bool ComputeInventoryDose(const DecayData& data, const std::vector<InventoryItem>& items,
                          const DecayRequest& request, double distanceCm,
                          const std::vector<ShieldLayer>& layers, const DoseOptions& options,
                          const KermaMedia& media, InventoryDose& dose, std::string& error);

/// About `steps` + 1 times from 0 that show an inventory's rate change: three half-lives of its
/// shortest-lived nuclide as named, or 1.5 times the decay time and the stay where that is longer,
/// at most 100 y.
std::vector<double> DecayPlotTimesS(const DecayData& data, const std::vector<InventoryItem>& items,
                                    const DecayRequest& request, int steps);

} // namespace shielding
