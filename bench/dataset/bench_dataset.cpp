// The party record at scale: 10,000 rows of its 54 fields.
#include "platform/dataset/dataset.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <string>

namespace {

using ct::DataSet;
using ct::FieldDef;
using nlohmann::json;

std::vector<FieldDef> partyFields() {
    auto s = [](const char* name, int size) { return FieldDef::string(name, size); };
    auto n = [](const char* name) { return FieldDef::number(name); };
    auto calc = [](const char* name) {
        FieldDef def = FieldDef::number(name);
        def.calculated = true;
        def.readOnly = true;
        def.displayFormat = "#,##0.00";
        return def;
    };
    FieldDef value = n("VRRECECONTOREV");
    value.displayFormat = "#,##0.00";
    value.editFormat = "0.00";
    FieldDef extra = n("QTEXTCONVOREV");
    extra.maxValue = 9999;
    return {s("CDCLIENTE", 21),
            s("CDFILIAL", 4),
            s("NRORCAEVENTO", 10),
            s("NRSEQORCAEVE", 2),
            s("NRINSJURCLIE", 20),
            s("IDTPIJURCLIE", 1),
            s("NMFANTCLIE", 50),
            n("QTCONVCONTOREV"),
            s("IDSITUCONTOREV", 10),
            s("CDPAIS", 4),
            n("QTCONVADICCRIANCA"),
            n("QTCONVADICADULTO"),
            FieldDef::fixedString("IDCONTRESPCOTAORCA", 1),
            s("NMPAIS", 30),
            s("SGESTADO", 2),
            s("NMESTADO", 30),
            s("CDMUNICIPIO", 4),
            s("NMMUNICIPIO", 30),
            s("CDBAIRRO", 10),
            s("CDCLICONTSUBORE", 21),
            value,
            s("CDCLIENCONTORCA", 21),
            s("NRENDCLIORCEVE", 21),
            s("DSENDECLIORE", 50),
            s("DSCOENDCLORE", 200),
            s("NRTELECLIORE", 25),
            s("NRRAMACLIORE", 4),
            s("NRTELECLIOR1", 25),
            s("NRRAMACLIOR1", 4),
            s("NMCONTCLIORE", 30),
            s("NRCEPCLIEORE", 15),
            s("NRTELERESOR1", 25),
            s("NRCELCLIORE1", 25),
            s("DSEMAILCLOR1", 50),
            s("DSEMAILCLOR2", 50),
            s("NRFAXCLIEORE", 25),
            s("NMRAZSOCCLIE", 50),
            s("NMFANTSUB", 50),
            s("NMBAIRRO", 50),
            s("IDCAMPONULL", 1),
            s("IDQTPARCNULL", 1),
            s("IDQTCONVNULL", 1),
            s("IDVRRECENULL", 1),
            extra,
            FieldDef::fixedString("IDMARCADO", 1),
            n("VREXTCONVOREV"),
            s("IDFORMAPGCONT", 1),
            n("NRDIAVENCONOREV"),
            n("QTPARCCONTOREV"),
            s("IDMESVENCONOREV", 10),
            calc("VRTOTCONVADU"),
            calc("VRTOTCONVCRI"),
            s("IDSITUORCEVE", 1),
            s("IDORCAFILHODISTRATO", 1)};
}

// A packet of `count` parties with plausible Portuguese content.
json partyPacket(int count) {
    DataSet shape("shape", partyFields());
    shape.createDataSet();
    json packet{{"fields", shape.packetFields()}, {"rows", json::array()}};
    static const char* first[] = {"João",    "Maria",     "José", "Ana",
                                  "Antônio", "Francisca", "Luís", "Conceição"};
    static const char* last[] = {"da Silva", "Araújo", "Gonçalves", "Simões", "Brandão", "Leitão"};
    static const char* status[] = {"LANCADO",   "LANCADO",   "LANCADO",
                                   "CNTGERADA", "CANCELADO", "DEVOLVIDO"};
    for (int i = 0; i < count; ++i) {
        std::string name =
            std::string(first[(i * 7) % 8]) + " " + last[(i * 13) % 6] + " " + std::to_string(i);
        std::string doc = std::to_string(10000000000LL + i * 7919LL);
        json row = json::array();
        for (const auto& f : packet["fields"]) {
            std::string field = f["name"];
            std::string type = f["type"];
            if (field == "NMFANTCLIE" || field == "NMRAZSOCCLIE")
                row.push_back(name);
            else if (field == "NRINSJURCLIE")
                row.push_back(doc);
            else if (field == "CDCLIENTE" || field == "CDCLIENCONTORCA")
                row.push_back("F" + doc);
            else if (field == "IDSITUCONTOREV")
                row.push_back(status[i % 6]);
            else if (field == "NRENDCLIORCEVE")
                row.push_back(std::to_string(i + 1));
            else if (field == "DSENDECLIORE")
                row.push_back("Rua das Acácias, " + std::to_string(i % 900));
            else if (field == "NMMUNICIPIO")
                row.push_back("São Paulo");
            else if (field == "DSCOENDCLORE")
                row.push_back(i % 3 ? json(nullptr) : json("Apto " + std::to_string(i % 200)));
            else if (type == "float")
                row.push_back(field == "VRRECECONTOREV" ? 1000.0 + (i % 97) * 12.35
                                                        : double(i % 40));
            else {
                int size = f["size"];
                row.push_back(std::string(static_cast<std::size_t>(size < 2 ? size : 2),
                                          static_cast<char>('A' + i % 26)));
            }
        }
        packet["rows"].push_back(std::move(row));
    }
    return packet;
}

const json& packet10k() {
    static const json packet = partyPacket(10000);
    return packet;
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

void loaded(DataSet& ds) {
    ds.setFieldDefs(partyFields());
    ds.loadPacket(packet10k());
}

void BM_LoadPacket(benchmark::State& state) {
    const json& packet = packet10k();
    long growth = 0;
    for (auto _ : state) {
        long before = residentKiB();
        DataSet ds("cdsEndeCont", partyFields());
        ds.loadPacket(packet);
        growth = residentKiB() - before;
        benchmark::DoNotOptimize(ds.recordCount());
    }
    state.counters["rows"] = 10000;
    state.counters["rss_growth_MiB"] = static_cast<double>(growth) / 1024.0;
}
BENCHMARK(BM_LoadPacket)->Unit(benchmark::kMillisecond);

void BM_LoadPacketText(benchmark::State& state) {
    std::string text = packet10k().dump();
    for (auto _ : state) {
        DataSet ds("cdsEndeCont", partyFields());
        ds.loadPacketText(text);
        benchmark::DoNotOptimize(ds.recordCount());
    }
    state.counters["MiB"] = static_cast<double>(text.size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_LoadPacketText)->Unit(benchmark::kMillisecond);

void BM_Walk(benchmark::State& state) {
    DataSet ds("cdsEndeCont");
    loaded(ds);
    ct::Field& value = ds["VRRECECONTOREV"];
    ct::Field& name = ds["NMFANTCLIE"];
    for (auto _ : state) {
        double total = 0;
        std::size_t chars = 0;
        for (ds.first(); !ds.eof(); ds.next()) {
            total += value.asFloat();
            chars += name.asString().size();
        }
        benchmark::DoNotOptimize(total);
        benchmark::DoNotOptimize(chars);
    }
}
BENCHMARK(BM_Walk)->Unit(benchmark::kMillisecond);

void BM_WalkDisplayText(benchmark::State& state) {
    DataSet ds("cdsEndeCont");
    loaded(ds);
    ct::Field& value = ds["VRRECECONTOREV"];
    for (auto _ : state) {
        std::size_t chars = 0;
        for (ds.first(); !ds.eof(); ds.next())
            chars += value.displayText().size();
        benchmark::DoNotOptimize(chars);
    }
}
BENCHMARK(BM_WalkDisplayText)->Unit(benchmark::kMillisecond);

void BM_Filter(benchmark::State& state) {
    DataSet ds("cdsEndeCont");
    loaded(ds);
    int visible = 0;
    for (auto _ : state) {
        ds.setFiltered(false);
        ds.setFilter("IDSITUCONTOREV = 'LANCADO' AND IDFORMAPGCONT <> 'X'");
        ds.setFiltered(true);
        visible = ds.recordCount();
    }
    state.counters["visible"] = visible;
}
BENCHMARK(BM_Filter)->Unit(benchmark::kMillisecond);

void BM_OrderByName(benchmark::State& state) {
    DataSet ds("cdsEndeCont");
    loaded(ds);
    for (auto _ : state) {
        ds.setIndexFieldNames("NMFANTCLIE");
        benchmark::DoNotOptimize(ds.recNo());
        ds.setIndexFieldNames("");
    }
}
BENCHMARK(BM_OrderByName)->Unit(benchmark::kMillisecond);

void BM_EditEveryRowAndDelta(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DataSet ds("cdsEndeCont");
        loaded(ds);
        state.ResumeTiming();
        ct::Field& value = ds["VRRECECONTOREV"];
        for (ds.first(); !ds.eof(); ds.next()) {
            ds.edit();
            value.setAsFloat(value.asFloat() + 1);
            ds.post();
        }
        json delta = ds.delta();
        bytes = delta.dump().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["delta_MiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_EditEveryRowAndDelta)->Unit(benchmark::kMillisecond);

// The two halves of the above: the edits alone, then the delta alone.
void BM_EditEveryRow(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        DataSet ds("cdsEndeCont");
        loaded(ds);
        state.ResumeTiming();
        ct::Field& value = ds["VRRECECONTOREV"];
        for (ds.first(); !ds.eof(); ds.next()) {
            ds.edit();
            value.setAsFloat(value.asFloat() + 1);
            ds.post();
        }
        benchmark::DoNotOptimize(ds.changeCount());
    }
}
BENCHMARK(BM_EditEveryRow)->Unit(benchmark::kMillisecond);

void BM_DeltaOfEveryRow(benchmark::State& state) {
    DataSet ds("cdsEndeCont");
    loaded(ds);
    for (ds.first(); !ds.eof(); ds.next()) {
        ds.edit();
        ds["VRRECECONTOREV"].setAsFloat(1);
        ds.post();
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ds.delta());
}
BENCHMARK(BM_DeltaOfEveryRow)->Unit(benchmark::kMillisecond);

void BM_EditEveryRowOrderedByName(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        DataSet ds("cdsEndeCont");
        loaded(ds);
        ds.setIndexFieldNames("NMFANTCLIE");
        state.ResumeTiming();
        ct::Field& value = ds["VRRECECONTOREV"];
        for (ds.first(); !ds.eof(); ds.next()) {
            ds.edit();
            value.setAsFloat(value.asFloat() + 1);
            ds.post();
        }
        benchmark::DoNotOptimize(ds.delta());
    }
}
BENCHMARK(BM_EditEveryRowOrderedByName)->Unit(benchmark::kMillisecond);

} // namespace
