#include "server/domain/records.h"

namespace ct::server {

const FieldList& party_known_fields() {
    static const FieldList fields = {
        str("CDCLIENTE", 21),
        str("CDFILIAL", 4),
        str("NRORCAEVENTO", 10),
        str("NRSEQORCAEVE", 2),
        str("NRINSJURCLIE", 20),
        str("IDTPIJURCLIE", 1),
        str("NMFANTCLIE", 50),
        num("QTCONVCONTOREV"),
        str("IDSITUCONTOREV", 10),
        str("CDPAIS", 4),
        num("QTCONVADICCRIANCA"),
        num("QTCONVADICADULTO"),
        fixed("IDCONTRESPCOTAORCA", 1),
        str("NMPAIS", 30),
        str("SGESTADO", 2),
        str("NMESTADO", 30),
        str("CDMUNICIPIO", 4),
        str("NMMUNICIPIO", 30),
        str("CDBAIRRO", 10),
        str("CDCLICONTSUBORE", 21),
        num("VRRECECONTOREV"),
        str("CDCLIENCONTORCA", 21),
        str("NRENDCLIORCEVE", 21),
        str("DSENDECLIORE", 50),
        str("DSCOENDCLORE", 200),
        str("NRTELECLIORE", 25),
        str("NRRAMACLIORE", 4),
        str("NRTELECLIOR1", 25),
        str("NRRAMACLIOR1", 4),
        str("NMCONTCLIORE", 30),
        str("NRCEPCLIEORE", 15),
        str("NRTELERESOR1", 25),
        str("NRCELCLIORE1", 25),
        str("DSEMAILCLOR1", 50),
        str("DSEMAILCLOR2", 50),
        str("NRFAXCLIEORE", 25),
        str("NMRAZSOCCLIE", 50),
        str("NMFANTSUB", 50),
        str("NMBAIRRO", 50),
        str("IDCAMPONULL", 1),
        str("IDQTPARCNULL", 1),
        str("IDQTCONVNULL", 1),
        str("IDVRRECENULL", 1),
        num("QTEXTCONVOREV"),
        fixed("IDMARCADO", 1),
        num("VREXTCONVOREV"),
        str("IDFORMAPGCONT", 1),
        num("NRDIAVENCONOREV"),
        num("QTPARCCONTOREV"),
        str("IDMESVENCONOREV", 10),
        num("VRTOTCONVADU"),
        num("VRTOTCONVCRI"),
        str("IDSITUORCEVE", 1),
        str("IDORCAFILHODISTRATO", 1),
    };
    return fields;
}

const FieldList& party_fields() {
    static const FieldList fields = [] {
        FieldList out;
        for (const auto& f : party_known_fields()) {
            if (f.name != "VRTOTCONVADU" && f.name != "VRTOTCONVCRI") {
                out.push_back(f);
            }
        }
        return out;
    }();
    return fields;
}

const TableMapping& party_table() {
    using K = ColumnKind;
    static const TableMapping mapping = {
        "ENDECONTORCA",
        "O contratante",
        {
            {"CDFILIAL", K::text, true},
            {"NRORCAEVENTO", K::text, true},
            {"NRSEQORCAEVE", K::text, true},
            {"NRENDCLIORCEVE", K::text, true},
            {"CDCLIENTE", K::text},
            {"NRINSJURCLIE", K::text},
            {"IDTPIJURCLIE", K::text},
            {"NMFANTCLIE", K::text},
            {"QTCONVCONTOREV", K::integer, false, "de convites"},
            {"IDSITUCONTOREV", K::text},
            {"CDPAIS", K::text},
            {"QTCONVADICCRIANCA", K::integer, false, "de convites adicionais de criança"},
            {"QTCONVADICADULTO", K::integer, false, "de convites adicionais de adulto"},
            {"SGESTADO", K::text},
            {"CDMUNICIPIO", K::text},
            {"CDBAIRRO", K::text},
            {"CDCLICONTSUBORE", K::text},
            {"VRRECECONTOREV", K::money, false, "cobrado do contratante"},
            {"CDCLIENCONTORCA", K::text},
            {"DSENDECLIORE", K::text},
            {"DSCOENDCLORE", K::text},
            {"NRTELECLIORE", K::text},
            {"NRRAMACLIORE", K::text},
            {"NRTELECLIOR1", K::text},
            {"NRRAMACLIOR1", K::text},
            {"NMCONTCLIORE", K::text},
            {"NRCEPCLIEORE", K::text},
            {"NRTELERESOR1", K::text},
            {"NRCELCLIORE1", K::text},
            {"DSEMAILCLOR1", K::text},
            {"DSEMAILCLOR2", K::text},
            {"NRFAXCLIEORE", K::text},
            {"NMRAZSOCCLIE", K::text},
            {"IDCAMPONULL", K::text},
            {"IDQTPARCNULL", K::text},
            {"IDQTCONVNULL", K::text},
            {"IDVRRECENULL", K::text},
            {"QTEXTCONVOREV", K::integer, false, "de convites extras"},
            {"VREXTCONVOREV", K::money, false, "dos convites extras"},
            {"IDFORMAPGCONT", K::text},
            {"NRDIAVENCONOREV", K::integer, false, "do dia de vencimento"},
            {"QTPARCCONTOREV", K::integer, false, "de parcelas"},
            {"IDMESVENCONOREV", K::text},
        },
    };
    return mapping;
}

const FieldList& installment_fields() {
    static const FieldList fields = {
        str("CDFILIAL", 4),         str("NRORCAEVENTO", 10), fixed("NRSEQORCAEVE", 2),
        str("NRENDCLIORCEVE", 10),  num("QTDIAFORMAPGCON"),  num("VRPEFORMAPGCON"),
        datetime("DTVENCPARCCONT"), num("VRPARCELACONT"),    str("DSOBSPARCCONT", 50),
    };
    return fields;
}

const TableMapping& installment_table() {
    using K = ColumnKind;
    static const TableMapping mapping = {
        "FORMAPAGTOCONT",
        "A parcela do contratante",
        {
            {"CDFILIAL", K::text, true},
            {"NRORCAEVENTO", K::text, true},
            {"NRSEQORCAEVE", K::text, true},
            {"NRENDCLIORCEVE", K::text, true},
            {"QTDIAFORMAPGCON", K::integer, true, "de dias da parcela"},
            {"VRPEFORMAPGCON", K::number},
            {"DTVENCPARCCONT", K::datetime},
            {"VRPARCELACONT", K::money, false, "da parcela"},
            {"DSOBSPARCCONT", K::text},
        },
    };
    return mapping;
}

const FieldList& client_list_fields() {
    static const FieldList fields = {str("NRINSJURCLIE", 20), str("NMFANTCLIE", 50),
                                     str("CDCLIENTE", 21), str("IDTPIJURCLIE", 1)};
    return fields;
}

const FieldList& totals_fields() {
    static const FieldList fields = {num("TOTALCONV"), num("TOTALRATEADO"), num("TOTALCONTRAT")};
    return fields;
}

const FieldList& client_fields() {
    static const FieldList fields = {str("NRINSJURCLIE", 20), str("CDCLIENTE", 21),
                                     str("NMFANTCLIE", 50), str("NMRAZSOCCLIE", 50),
                                     str("IDTPIJURCLIE", 1)};
    return fields;
}

const FieldList& client_address_fields() {
    static const FieldList fields = {
        str("CDCLIENTE", 21),    str("NRINSJURCLIE", 20),  str("IDTPIJURCLIE", 1),
        str("NMRAZSOCCLIE", 50), str("NMFANTCLIE", 50),    str("CDPAIS", 4),
        str("SGESTADO", 2),      str("CDMUNICIPIO", 4),    str("DSENDECLIE", 50),
        str("NMBAIRCLIE", 30),   str("DSCOMPENDCLI", 200), str("NRCEPCLIE", 15),
        str("NRTELECLIE", 25),   str("NRRAMALCLIE", 4),    str("NRFAXCLIE", 25),
        str("NMCONTCLIE", 30),   str("DSEMAILCLIE", 50),   str("NRTELECLIE1", 25),
        str("NRRAMALCLIE1", 4),  str("CDBAIRRO", 10),      str("NRCELULARCLI", 25),
        str("NRTELRESICLI", 25), str("DSEMAILCLIE2", 50),
    };
    return fields;
}

const FieldList& new_client_fields() {
    static const FieldList fields = [] {
        FieldList out = client_address_fields();
        out.push_back(num("NRDIAVENC"));
        out.push_back(num("QTPARCELA"));
        out.push_back(str("IDPROXIMOMES", 1));
        return out;
    }();
    return fields;
}

} // namespace ct::server
