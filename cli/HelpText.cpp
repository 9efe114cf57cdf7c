#include "HelpText.h"

namespace cli {

namespace {

constexpr std::string_view kGeneral =
    R"(Usage: photonxs-cli [--root DIR] [OPTIONS] COMMAND ARGS

Photon cross sections from the command line: the tables, look-ups, CSV export, builders and
enlarged-view pictures of the PhotonXS windows, with the same numbers.

Commands:
  list                        every data file: path, name and density
  list --compendium | --match TEXT
                              the compendium's materials, or the materials whose names hold TEXT
  table PATH                  the table of a data file, one line a row, the total last
  at PATH E...                the six coefficients at each energy (--unit barn/atom, 1/cm, mm...)
  energy PATH MU...           the energy at which the total takes each value in cm2/g
  csv PATH OUT                the CSV export of a data file
  formula TEXT                the composition of a chemical formula
  edges PATH                  the absorption edges of each element of a material
  absorption PATH E...        mu/rho, mu_en/rho and kerma ratios to dry air and water (--unit)
  hvl PATH E...               mu, half- and tenth-value layers and mean free path (--unit)
  hvl --spectrum FILE PATH    first and second half-value layers of a spectrum by air kerma
  attenuate LAYER... --energy E... | --spectrum FILE
                              transmission through layers PATH@CM or PATH@CM@DENSITY
  layers LAYER... --energy E... | --spectrum FILE
                              what each layer takes out of the beam and lets through
  efficiency LAYER... --sensor N --energy E...
                              interaction and photo-absorption efficiency of a sensor layer
  equivalent LAYER... --energy E... | --spectrum FILE
                              thickness of lead (or --reference) that transmits the same
  zeff PATH E...              effective atomic number and electrons per gram
  buildup PATH E... --mfp X[,X...]
                              broad-beam buildup factors (G-P) at penetrations in mfp
  dose SOURCE [LAYER...] --activity A --distance R
                              rate of a point source or inventory behind layers, per line
  kerma-constant NUCLIDE      air-kerma-rate constant, uGy m2/(GBq h)
  nuclides [NAME]             the library's radionuclides, or one nuclide's photon lines
  model FILE                  dose rates of a shielding model: a source with a shape, shields,
                              detectors and a dose map (docs/geometry.md)
  compound OPTIONS EL=ATOMS...   a new compound of up to 5 elements
  mixture OPTIONS EL=WEIGHT...   a new mixture of up to 15 elements
  plot PATH... --out FILE     the enlarged view of these materials as a .bmp or .png image

PATH is a data file relative to the root, ele/NAME or mix/NAME; an element may also be given
by its symbol or name in any case (Pb, pb, lead), a material by its file name (Water_Liquid.mix2
or Water_Liquid) or its name ("Water, Liquid"), case and blanks aside.
PATH may also be an expression: formula:TEXT (formula:Ca10(PO4)6(OH)2, formula:CuSO4*5H2O)
or mix:PART=WEIGHT,... (mix:H2O=0.7,C2H5OH=0.3), built as the builders build; a material of
the compendium by name or alias (Kapton, SS304, BGO; compendium:NAME for it alone); a bare
formula (H2O, SiO2); or the words of one material's name (water, lead glass). A name of
several materials (stainless steel, soil) lists them; a note on standard error says which
material a name was taken for.

Options:
  --root DIR      the folder holding ele/ and mix/ (default: PHOTONXS_HOME when set, else the
                  current folder)
  --digits N      significant digits of printed values, 1 to 17 (default 4, as the windows
                  show them: 6.620E-01)
  --format F      text: columns two blanks apart under a "# " line naming them with their
                  units; csv: comma-separated with a header line; json: one object a line
  --no-header     leave out the text format's "# " line
  --energy-unit U keV or MeV (default): the unit of every energy read and printed
  --help          this text; photonxs-cli COMMAND --help describes one command
  --version       the program's version (alone on the line)

Exit status: 0 all done; 1 bad input (a message on standard error says what is wrong);
2 usage; 3 some rows out of range or in calculation error.
)";

constexpr std::string_view kList =
    R"(Usage: photonxs-cli [--root DIR] [--format F] list [--compendium] [--match TEXT]

Lists every data file of the root: the elements (ele/*.ele), then the materials by category
(mix/*.mix1 human tissues, *.mix2 phantom substances, *.mix3 others), each sorted by name.
One line a file: the path, a tab, the name (line 1 of the file), a tab, and the density in
g/cm3 as the main window shows it (#0.000###).
With --format csv the columns are path,name,density; with json each line is an object with
those members. A file that cannot be read is reported on standard error (exit status 1) and
the others are still listed.
--compendium lists the materials of the compendium instead, and --match TEXT the elements,
library materials and compendium materials (only the compendium's with --compendium) whose
names, file names or aliases hold each word of TEXT, anywhere in a word ("kapt", "germ",
"steel 304"). One line a material: typed (what to type for it), name, density (g/cm3), source
(its data file, or compendium) and aliases (the compendium's other names for it), tabs apart.
When nothing matches, a note on standard error says so and offers the closest names.
)";

constexpr std::string_view kTable =
    R"(Usage: photonxs-cli [--root DIR] [--digits N] [--format F] table PATH

Prints the table of a data file as the program loads it: one line a row, the energy in MeV,
then coherent, incoherent, photo-electric, pair production in the nuclear field, pair
production in the electron field and the total, in cm2/g. The total is the sum of the five.
--unit U and --without-coherent as for at.
)";

constexpr std::string_view kAt =
    R"(Usage: photonxs-cli [--root DIR] [--digits N] [--format F] at PATH E...

The calculator's look-up by energy: for each energy E in MeV (0.001 to 100000; in keV with
--energy-unit keV), one line with
E, coherent, incoherent, photo-electric, pair nuclear, pair electron and total, each
interpolated log-log in its own column of the table.
An E of - reads the energies from standard input, separated by blanks, tabs, ',' or ';'
or line ends; a byte-order mark, # comments and lines of words (a header) are skipped.
An energy outside 0.001..100000 MeV or above the table's last energy prints OutOfRange in
place of the numbers; the other lines print normally and the exit status is 3.
Every E must be a number (1, 0.662, 6.62E-01); anything else stops with exit status 1.
--grid FROM:TO:N adds N energies spaced evenly in log from FROM to TO; --with-edges adds both
sides of every edge of the table within the energies (all edges when none are given).
--unit U gives the coefficients in U: cm2/g (the default), barn/atom (an element, or a formula:
per formula unit; a mixture is refused), 1/cm (times the density: the file's or --density D),
or a length (nm, um, mm, cm, m) for the attenuation length 1/mu of each column.
--without-coherent adds the column total_without_coherent, the sum of the four others.
)";

constexpr std::string_view kEnergy =
    R"(Usage: photonxs-cli [--root DIR] [--digits N] [--format F] energy PATH MU...

The calculator's look-up by total: for each value MU of the total mass attenuation coefficient
in cm2/g, the lowest energy at which the total takes it, with the partial coefficients there.
One line each: E, coherent, incoherent, photo-electric, pair nuclear, pair electron, and MU.
A MU of - reads the values from standard input, separated by blanks or line ends.
With --all, every energy at which the total takes MU, ascending, one line each; an edge whose
jump passes over MU gives none.
A value outside the table's totals prints OutOfRange, one whose energy falls outside
0.001..100000 MeV prints CalculationError, in place of the numbers; the exit status is 3.
)";

constexpr std::string_view kFormula =
    R"(Usage: photonxs-cli [--root DIR] [--digits N] [--format F] formula TEXT

Prints the composition of a chemical formula, one line an element in order of first
appearance: the symbol, the number of atoms, and the weight fraction from the atomic weights of
ele/. Counts may be decimals (C0.5H) and subscript digits (H₂O); groups stand in ( ) or [ ];
hydrates are joined by the middle dot, * or . (CuSO4*5H2O). A point that reads both as a
decimal point and as a hydrate's (CuSO4.5H2O) is refused with both spellings; blanks around the
formula are ignored. With --format csv the columns are element,atoms,weight_fraction.
A formula that cannot be read stops with status 1, naming the character.
)";

constexpr std::string_view kEdges =
    R"(Usage: photonxs-cli [--root DIR] [--digits N] [--format F] edges PATH

Lists the absorption edges of each element of a material (an element, formula: or mix:), as
edges.csv beside ele/ gives them: the element, the shell (K, L1 ...), the energy just above the
edge in MeV, and the jump of the material's total across it. CSV columns element,shell,energy,
jump. A library material whose elements are not known is refused (status 1).
)";

constexpr std::string_view kCsv = R"(Usage: photonxs-cli [--root DIR] csv PATH OUT

Writes the CSV export of a data file to the file OUT (relative to the current folder), byte for
byte as the calculator's CSV button writes it: the name, the density, the row count, then the
energy and the five partial coefficients of each row, every line ended by CR LF. An existing
OUT is replaced only once the new file is complete. An OUT of - writes standard output.
)";

constexpr std::string_view kCompound =
    R"(Usage: photonxs-cli [--root DIR] compound --name TEXT --density D [--category C]
                    --file BASE ELEMENT=ATOMS...

Builds a chemical compound of 1 to 5 elements by Bragg's addition law, as the compound builder
does, and writes mix/BASE.mix1, .mix2 or .mix3 under the root (an existing file is replaced).
Prints the path written.
  --name TEXT       the substance name, line 1 of the file (not empty)
  --density D       the density in g/cm3, greater than 0
  --category C      human (human tissues, .mix1), phantom (phantom substances, .mix2) or
                    other (.mix3, the default)
  --file BASE       the file name without the extension
  ELEMENT=ATOMS     an element (symbol such as H, or a file of ele/ such as 001_H.ele) and its
                    number of atoms in one formula unit, greater than 0 (H=2 O=1)
)";

constexpr std::string_view kMixture =
    R"(Usage: photonxs-cli [--root DIR] mixture --name TEXT --density D [--category C]
                    --file BASE ELEMENT=WEIGHT...

Builds a mixture of 1 to 15 elements by weight, by Bragg's addition law, as the mixture builder
does, and writes mix/BASE.mix1, .mix2 or .mix3 under the root (an existing file is replaced).
Prints the path written. The weights are relative: 30 and 70 give the same file as 0.3 and
0.7; they may be 0 or negative, but must not add up to 0.
  --name TEXT       the substance name, line 1 of the file (not empty)
  --density D       the density in g/cm3, greater than 0
  --category C      human (.mix1), phantom (.mix2) or other (.mix3, the default)
  --file BASE       the file name without the extension
  ELEMENT=WEIGHT    an element (symbol or a file of ele/) and its weight (H=11.19 O=88.81)
)";

constexpr std::string_view kPlot = R"(Usage: photonxs-cli [--root DIR] plot PATH... --out FILE

Draws the enlarged view with the materials added in the order given, the first without and
the others with circles at their tabulated points, and writes the picture (909 x 861 pixels)
to FILE, relative to the current folder: a Windows bitmap when FILE ends in .bmp, a PNG image
when it ends in .png. The picture is pixel for pixel what the window would save.
)";

constexpr std::string_view kAbsorption =
    R"(Usage: photonxs-cli [OPTIONS] absorption PATH E... [--grid G] [--unit U] [--density D]

For each energy E in MeV: E, the total mass attenuation coefficient mu/rho (the calculator's
look-up), the mass energy-absorption coefficient mu_en/rho (cm2/g; NIST SRD 126, summed by
weight over the material's elements) and mu_en/rho over that of dry air and of liquid water.
Energies outside 0.001..20 MeV, or a material with an element above Z = 92, print
NoAbsorptionData (exit status 3). A material file whose composition is not recorded is refused.
--unit U gives mu/rho and mu_en/rho in U, as for at: cm2/g (the default), barn/atom, 1/cm
(times the density: the file's or --density D) or a length (nm, um, mm, cm, m) for 1/mu and
1/mu_en.
)";

constexpr std::string_view kHvl =
    R"(Usage: photonxs-cli [OPTIONS] hvl PATH E... [--density D] [--grid G] [--unit U]
       photonxs-cli [OPTIONS] hvl --spectrum FILE PATH [--density D] [--unit LENGTH]

With energies: E, mu (1/cm), the half-value layer ln2/mu, the tenth-value layer ln10/mu and
the mean free path 1/mu (cm), for the density of the data file or --density D (g/cm3).
With --spectrum: first_hvl (cm that halve the spectrum's air kerma), second_hvl (cm from a half
to a quarter) and homogeneity (first/second). FILE holds lines "energy_MeV weight"; '#' starts
a comment; - reads standard input.
--unit U gives mu in U, as for at: 1/cm (the default), cm2/g, barn/atom, or a length (nm, um,
mm, cm, m) for 1/mu; a length is then the unit of the half-value layers and the mean free path
too. With --spectrum --unit takes a length only.
)";

constexpr std::string_view kAttenuate =
    R"(Usage: photonxs-cli [OPTIONS] attenuate LAYER... --energy E... [--layers] [--thickness-for T]
       photonxs-cli [OPTIONS] attenuate LAYER... --spectrum FILE [--out FILE] [--thickness-for T]

A LAYER is PATH@CM or PATH@CM@DENSITY (thickness in cm, density in g/cm3; without it the data
file's density). A thickness may carry its unit: 5mm, 200um, 1m, or a mass per area divided
by the layer's density: 2g/cm2, 500mg/cm2, 11.3kg/m2. With --energy: E, mu_x (the sum of mu x over the layers) and the transmission
exp(-mu_x); --layers adds one line per layer before the stack's. With --spectrum:
fluence_transmission, air_kerma_transmission, mean_energy_in, mean_energy_out (MeV); --out
writes the transmitted spectrum. --thickness-for T prints instead the thickness (cm) of the
last layer that brings the transmission (for a spectrum: of air kerma) to T.
)";

constexpr std::string_view kLayers =
    R"(Usage: photonxs-cli [OPTIONS] layers LAYER... --energy E... [--angle DEG]
       photonxs-cli [OPTIONS] layers LAYER... --spectrum FILE [--angle DEG] [--bins]

What each layer of a stack does to a narrow beam that falls on it at DEG degrees from the
normal (default 0, below 90; each layer's path is its thickness over cos DEG). A LAYER is
PATH@CM or PATH@CM@DENSITY, as for attenuate. One row per layer and energy: layer, energy,
interacted (the fraction of the incident photons that interact in it, with coherent
scattering), photo_absorbed (the part of those taken by the photo-electric effect), deposited
(the fraction of the incident energy it keeps, interacted x (mu_en/rho)/(mu/rho); blank without
energy-absorption data) and transmitted (the fraction that leaves it). The interacted shares
and the last transmitted add up to 1. With --spectrum: the same over the spectrum, weighted by
photons (by photons x energy for deposited); --bins lists every bin of every layer instead:
received and passed are the photons of the bin that reach and leave the layer.
)";

constexpr std::string_view kEfficiency =
    R"(Usage: photonxs-cli [OPTIONS] efficiency LAYER... --sensor N --energy E... [--angle DEG]
       photonxs-cli [OPTIONS] efficiency LAYER... --sensor N --energy E... --thickness-for F
           [--by interacted|photo] [--angle DEG]

The stack's N-th layer (1 for the first) as a detector's sensor behind the layers before it (a
window, a dead layer): for each energy, the fraction of the photons falling on the stack that
interact in it (interacted) and that it photo-absorbs (photo_absorbed). --thickness-for F prints
instead the thickness (cm) of the sensor that interacts with (--by photo: photo-absorbs) the
fraction F of them, or NoSolution when no thickness does.
)";

constexpr std::string_view kEquivalent =
    R"(Usage: photonxs-cli [OPTIONS] equivalent LAYER... --energy E... [--reference PATH]
       photonxs-cli [OPTIONS] equivalent LAYER... --spectrum FILE [--reference PATH]

The thickness (cm) of the reference material (lead by default, at its file's density or
--reference-density D) that transmits what the stack of layers transmits, narrow beam. With
--energy: energy, the stack's transmission and the thickness, which changes with the energy.
With --spectrum: the stack's air kerma transmission and the thickness of the reference with
that air kerma transmission.
)";

constexpr std::string_view kZeff =
    R"(Usage: photonxs-cli [--root DIR] [--digits N] [--format F] zeff PATH E... [--grid G]

For each energy E in MeV: E, the effective atomic number by the direct method,
sum f A mu / sum f (A/Z) mu over the elements (atom fractions f, atomic weights A, total
mu/rho), and the electron density N_A Zeff / sum f A in electrons per gram. Neither is a
coefficient, so zeff takes no --unit.
)";

constexpr std::string_view kBuildup =
    R"(Usage: photonxs-cli [OPTIONS] buildup PATH E... --mfp X[,X...] [--kind K] [--table NAME]

Point-isotropic, infinite-medium buildup factors by the G-P fits of ANSI/ANS-6.4.3 for each
energy E and each penetration X in mean free paths (1/mu without coherent scattering). One row
for each pair: energy, mfp, buildup, zeq. --kind exposure (air kerma, the default) or
absorption (energy absorbed in the material). The 23 tabulated elements, liquid water and dry
air use their own tables (zeq is then empty); any other material its equivalent atomic number
at each of the tables' energies. --table NAME uses one named table instead (concrete, iron,
Pb, water, air...). Between the tables' energies ln B is linear in ln E. Beyond 40 mfp the
value is extrapolated (a note says so); beyond 100 mfp, and outside 0.015 to 15 MeV (0.03 MeV
for Pb and U), a row reads OutOfRange and the exit status is 3.
)";

constexpr std::string_view kDose =
    R"(Usage: photonxs-cli [OPTIONS] dose SOURCE [LAYER...] --activity A --distance R
           [--kind exposure|absorption|none] [--rule broder|last] [--table NAME]
           [--cutoff E] [--thickness-for RATE] [--quantity kerma|exposure|h10]
           [--rate-unit UNIT] [--conversion FILE] [--decay T] [--stay T] [--fresh]

The kerma rate of an isotropic point source at distance R behind the layers (nothing else in
between): for each photon line A y E (mu_en/rho) exp(-x) B / (4 pi R^2) in uGy/h, x the
penetration in mean free paths without coherent scattering and B the buildup factor.
SOURCE is a nuclide of the library (Co-60, co60, Cobalt-60, Tc-99m), lines:E=Y,... (energies in
MeV, photons per decay) or a file of energies and photons per decay ("-": standard input).
A LAYER is PATH@CM or PATH@CM@DENSITY, as for attenuate. A and R need their units: Bq, kBq,
MBq, GBq, TBq, Ci, mCi, uCi; mm, cm, m ("1GBq" or "1 GBq").
One row per line: energy, intensity (photons per decay), uncollided rate, buildup, rate; then a
row whose energy reads "total" (its buildup is the total over the uncollided rate). The text
form adds the exposure rate in mR/h (1 R = 8.76426 mGy of air kerma).
--kind exposure: air kerma with exposure buildup factors (the default); absorption: kerma in
the last layer's material with energy-absorption buildup factors; none: the uncollided photons
alone. --rule broder (the default) sums each layer's gain in B over its own penetration;
last uses the last layer's factor for the whole stack; --table NAME one named table. Every
multilayer rule is an approximation. Lines at or below --cutoff E are left out (default 0).
--thickness-for RATE prints instead the thickness (cm) of the last layer that brings the total
to RATE: a bare number is uGy/h of air kerma, a unit chooses the quantity (2.5uSv/h).
SOURCE may be an inventory, NUCLIDE=A,NUCLIDE=A (Co-60=1GBq,Cs-137=10mCi) or a CSV file with
the header nuclide,activity; it needs no --activity, and with several nuclides a first column
nuclide and a total row per nuclide are added. At time 0 each nuclide comes with the chain
members its lines hold in equilibrium; --fresh starts from the named nuclides alone.
--decay T (s, min, h, d, y) gives the rate T later, daughters grown in (Bateman equations);
--stay T prints instead each nuclide's rate and its dose over a stay of T from then.
--quantity kerma (uGy/h, the default), exposure (mR/h) or h10 (H*(10) in uSv/h, ICRU 47, or
the coefficients per air kerma of --conversion FILE: rows energy MeV,Sv/Gy). --rate-unit UNIT
shows the rates in uGy/h mGy/h Gy/h uSv/h mSv/h Sv/h mR/h R/h (or per s).
)";

constexpr std::string_view kKermaConstant =
    R"(Usage: photonxs-cli [OPTIONS] kerma-constant NUCLIDE [--cutoff E]
           [--quantity kerma|exposure|h10] [--conversion FILE]

The air-kerma-rate constant of a nuclide in vacuum, uGy m2/(GBq h): the sum over its photon
lines above the cut-off (default 0.02 MeV) of y E (mu_en/rho of dry air) / (4 pi (1 m)^2) for
1 GBq. Columns: nuclide, cutoff, constant. --quantity h10 gives its H*(10) twin in
uSv m2/(GBq h), exposure in mR m2/(GBq h).
)";

constexpr std::string_view kNuclides =
    R"(Usage: photonxs-cli [OPTIONS] nuclides [NAME] [--decay T [--activity A] [--fresh]]

Without NAME: every radionuclide of the library with its half-life and its number of photon
lines. With NAME (Co-60, cs137, Cobalt-60): its lines, energy, photons per decay, kind (gamma,
X or annihilation) and the member of the chain that emits it. The lines are those of the
ENDF/B-VIII.1 decay data, chains in equilibrium. With --decay T: every radioactive member of
NAME's chain, its half-life (s) and its activity (Bq) T later, for 1 Bq (or --activity A) of
NAME at time 0, its line table's members in equilibrium then (--fresh: NAME alone).
)";

constexpr std::string_view kModel =
    R"(Usage: photonxs-cli [OPTIONS] model FILE|- [--accuracy A] [--check] [--png FILE]

The air-kerma rate at each detector of a shielding model: a source with a shape (point, line,
disk, box, sphere, cylinder) and a material of its own, shields (slab, box, sphere, cylinder,
hollow or not), a filler around them, detectors and a map of detectors on a plane. The point
kernel is integrated over the source by Gauss-Legendre quadrature, refined until each
detector's total is good to the accuracy (default 1e-3, or the model's "accuracy"); buildup
along each ray by Broder's rule over the media it crosses, one named table, or none.
FILE is JSON (docs/geometry.md describes it; "-": standard input).
One row per detector and line: detector, x, y, z (cm), energy, intensity (photons/s),
uncollided rate, buildup, rate (uGy/h of air kerma); then the detector's row whose energy reads
"total", with the relative error the quadrature estimates. Map points have their total row
alone; those inside or on the source have no value. The text form adds each detector's
exposure rate in mR/h.
--check prints what the model is (each body, its volume and mass, the source's activity per
volume) and computes nothing. --png FILE draws the map: rates on a log colour scale with
isodose lines at each decade and the bodies the plane cuts.
)";

} // namespace

std::string HelpText(std::string_view command) {
    if (command == "model") {
        return std::string(kModel);
    }
    if (command == "buildup") {
        return std::string(kBuildup);
    }
    if (command == "dose") {
        return std::string(kDose);
    }
    if (command == "kerma-constant") {
        return std::string(kKermaConstant);
    }
    if (command == "nuclides") {
        return std::string(kNuclides);
    }
    if (command == "list") {
        return std::string(kList);
    }
    if (command == "table") {
        return std::string(kTable);
    }
    if (command == "at") {
        return std::string(kAt);
    }
    if (command == "energy") {
        return std::string(kEnergy);
    }
    if (command == "formula") {
        return std::string(kFormula);
    }
    if (command == "edges") {
        return std::string(kEdges);
    }
    if (command == "csv") {
        return std::string(kCsv);
    }
    if (command == "absorption") {
        return std::string(kAbsorption);
    }
    if (command == "hvl") {
        return std::string(kHvl);
    }
    if (command == "attenuate") {
        return std::string(kAttenuate);
    }
    if (command == "layers") {
        return std::string(kLayers);
    }
    if (command == "efficiency") {
        return std::string(kEfficiency);
    }
    if (command == "equivalent") {
        return std::string(kEquivalent);
    }
    if (command == "zeff") {
        return std::string(kZeff);
    }
    if (command == "compound") {
        return std::string(kCompound);
    }
    if (command == "mixture") {
        return std::string(kMixture);
    }
    if (command == "plot") {
        return std::string(kPlot);
    }
    return std::string(kGeneral);
}

} // namespace cli
