// Writes synthetic table sets for timing whole runs: a QSPR table, a descriptor table of
// continuous descriptors and sparse count columns, and a fragment table, in the layout of
// the example tables (TAB-separated, CR LF). The property is a linear combination of a few
// descriptors plus noise, so that the search has something to find.
//
//   make_tables PREFIX CALIBRATION PREDICTION CONTINUOUS COUNTS FRAGMENTS [SEED [DECIMALS]]
//
// writes PREFIX (QSPR table), PREFIXd2d.des and PREFIXvfr.des in the current folder; with
// DECIMALS every descriptor value is written with that many decimals, as descriptor
// programs write them (otherwise with six significant digits).
//
//   make_tables --similarity P5 CALIBRATION PREDICTION [SEED]
//
// writes a similarity table P5SIM.des (the 37 fragments of the example set, a few per
// molecule, the fixed columns spread over the ranges of real tables) and its shape table
// P5SHP.des (20 atoms per molecule).

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

void WriteRow(std::FILE* out, const std::string& name, const std::vector<double>& values,
              int decimals) {
    std::fputs(name.c_str(), out);
    for (double v : values) {
        if (decimals >= 0) {
            std::fprintf(out, "\t%.*f", decimals, v);
        } else {
            std::fprintf(out, "\t%.6g", v);
        }
    }
    std::fputs("\r\n", out);
}

int WriteSimilarityTables(const std::string& p5, int calibration, int prediction, unsigned seed) {
    static const char* const kNames[] = {
        "CH3", "CH2",   "CH",  "C",   "CH2db", "CHdb", "Cdb",  "CHtb",  "Ctb",   "CHar",
        "Car", "C2H5",  "CF3", "CO",  "CHO",   "COOH", "COO",  "CONH2", "CONH",  "CN",
        "OH",  "OCH3",  "NH2", "NH",  "Natom", "Ndb",  "NHar", "Nar",   "Nplus", "NO2",
        "NO",  "Satom", "Sar", "SO2", "F",     "Cl",   "Br"};
    static const char* const kFixedNames[] = {
        "USR01",  "USR02", "USR03", "USR04",   "USR05",  "USR06", "USR07", "USR08",
        "USR09",  "USR10", "USR11", "USR12",   "NPRsum", "PMI3",  "PMI2",  "PMI1",
        "Volume", "TPSA",  "HBDA",  "PhiFlex", "pIC50",  "Natoms"};
    const int fragments = static_cast<int>(sizeof kNames / sizeof kNames[0]);
    const int molecules = calibration + prediction;
    std::FILE* sim = std::fopen((p5 + "SIM.des").c_str(), "wb");
    std::FILE* shp = std::fopen((p5 + "SHP.des").c_str(), "wb");
    if (sim == nullptr || shp == nullptr) {
        std::fputs("make_tables: cannot write the tables\n", stderr);
        return 1;
    }
    std::fputs("Cases", sim);
    for (const char* name : kNames) {
        std::fprintf(sim, "\t%s", name);
    }
    for (const char* name : kFixedNames) {
        std::fprintf(sim, "\t%s", name);
    }
    std::fprintf(sim, "\t%d\t%d\t%d\t0\t0\r\n", calibration, prediction, fragments);
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int m = 0; m < molecules; ++m) {
        std::vector<double> row(static_cast<std::size_t>(fragments) + 27, 0.0);
        double left = 100;
        for (int k = 0; k < 6; ++k) {
            const int f = static_cast<int>(unit(random) * fragments) % fragments;
            const double share = k == 5 ? left : left * unit(random) * 0.6;
            row[static_cast<std::size_t>(f)] += share;
            left -= share;
        }
        double* fixed = row.data() + fragments - 1; // fixed[k] = column F+k
        for (int k = 1; k <= 12; ++k) {
            fixed[k] = 1 + 3 * unit(random);
        }
        fixed[13] = 1.9 + 0.5 * unit(random);
        fixed[14] = 3000 + 1000 * unit(random);
        fixed[15] = 2000 + 1000 * unit(random);
        fixed[16] = 500 + 1000 * unit(random);
        fixed[17] = 200 + 300 * unit(random);
        fixed[18] = 100 * unit(random);
        fixed[19] = std::floor(10 * unit(random));
        fixed[20] = 2 + 6 * unit(random);
        fixed[21] = 5 + 4 * unit(random);
        fixed[22] = 30 + std::floor(30 * unit(random));
        fixed[23] = 300 + 1000 * unit(random);
        char name[32];
        std::snprintf(name, sizeof name, "m%04d", m + 1);
        WriteRow(sim, name, row, -1);
        std::fputs("newmol\r\n", shp);
        for (int v = 0; v < 60; ++v) {
            std::fprintf(shp, "%.4f\r\n", 1 + 10 * unit(random));
        }
        std::fputs("finmol\r\n", shp);
    }
    std::fclose(sim);
    std::fclose(shp);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::string(argv[1]) == "--similarity") {
        return WriteSimilarityTables(argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
                                     argc > 5 ? static_cast<unsigned>(std::atoi(argv[5])) : 1u);
    }
    if (argc < 7) {
        std::fputs("usage: make_tables PREFIX CALIBRATION PREDICTION CONTINUOUS COUNTS FRAGMENTS "
                   "[SEED [DECIMALS]]\n"
                   "       make_tables --similarity P5 CALIBRATION PREDICTION [SEED]\n",
                   stderr);
        return 2;
    }
    const std::string prefix = argv[1];
    const int calibration = std::atoi(argv[2]);
    const int prediction = std::atoi(argv[3]);
    const int continuous = std::atoi(argv[4]);
    const int counts = std::atoi(argv[5]);
    const int fragments = std::atoi(argv[6]);
    const unsigned seed = argc > 7 ? static_cast<unsigned>(std::atoi(argv[7])) : 1u;
    const int decimals = argc > 8 ? std::atoi(argv[8]) : -1;
    const int molecules = calibration + prediction;
    const int width = continuous + counts;

    std::mt19937_64 random(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);

    std::vector<std::vector<double>> descriptors(static_cast<std::size_t>(molecules),
                                                 std::vector<double>(width));
    std::vector<std::vector<double>> parts(static_cast<std::size_t>(molecules),
                                           std::vector<double>(fragments));
    std::vector<double> property(static_cast<std::size_t>(molecules));
    for (int m = 0; m < molecules; ++m) {
        auto& row = descriptors[static_cast<std::size_t>(m)];
        // A few latent factors shared by the continuous descriptors: realistic
        // intercorrelations.
        const double f1 = normal(random), f2 = normal(random), f3 = normal(random);
        for (int c = 0; c < continuous; ++c) {
            const double loading = 0.2 + 0.6 * ((c * 7919) % 100) / 100.0;
            const double factor = c % 3 == 0 ? f1 : (c % 3 == 1 ? f2 : f3);
            row[static_cast<std::size_t>(c)] = 10 + 3 * (loading * factor + normal(random));
        }
        for (int c = 0; c < counts; ++c) {
            const double rate = 0.02 + 0.3 * ((c * 104729) % 97) / 97.0;
            row[static_cast<std::size_t>(continuous + c)] =
                uniform(random) < rate ? 1 + std::floor(3 * uniform(random)) : 0;
        }
        auto& fragmentRow = parts[static_cast<std::size_t>(m)];
        double total = 0;
        for (int f = 0; f < fragments; ++f) {
            const double share = uniform(random) < 0.3 ? uniform(random) : 0;
            fragmentRow[static_cast<std::size_t>(f)] = share;
            total += share;
        }
        for (double& share : fragmentRow) {
            share = total > 0 ? 100 * share / total : 0;
        }
        double y = 6 + 0.4 * f1 - 0.3 * f2 + 0.5 * normal(random);
        if (width > 5) {
            y += 0.05 * row[1] + 0.3 * row[static_cast<std::size_t>(width - 1)];
        }
        if (fragments > 2) {
            y += 0.01 * fragmentRow[2];
        }
        property[static_cast<std::size_t>(m)] = y;
    }

    std::FILE* qspr = std::fopen(prefix.c_str(), "wb");
    std::FILE* des = std::fopen((prefix + "d2d.des").c_str(), "wb");
    std::FILE* vfr = std::fopen((prefix + "vfr.des").c_str(), "wb");
    if (qspr == nullptr || des == nullptr || vfr == nullptr) {
        std::fputs("make_tables: cannot write the tables\n", stderr);
        return 1;
    }
    std::fputs("Cases\tProperty\r\n", qspr);
    std::fputs("Cases", des);
    for (int c = 0; c < width; ++c) {
        std::fprintf(des, c < continuous ? "\tD%d" : "\tK%d", c + 1);
    }
    std::fputs("\r\n", des);
    std::fputs("Cases", vfr);
    for (int f = 0; f < fragments; ++f) {
        std::fprintf(vfr, "\tF%d", f + 1);
    }
    std::fputs("\r\n", vfr);
    for (int m = 0; m < molecules; ++m) {
        char name[32];
        std::snprintf(name, sizeof name, "m%04d", m + 1);
        if (m < calibration) {
            std::fprintf(qspr, "%s\t%.4f\r\n", name, property[static_cast<std::size_t>(m)]);
        } else {
            std::fprintf(qspr, "%s\t?\r\n", name);
        }
        WriteRow(des, name, descriptors[static_cast<std::size_t>(m)], decimals);
        WriteRow(vfr, name, parts[static_cast<std::size_t>(m)], decimals);
    }
    std::fclose(qspr);
    std::fclose(des);
    std::fclose(vfr);
    return 0;
}
