#pragma once

// The entry points of the screen module (libprq31000.so) as the host loads them with dlopen.
// Plain C, so that any host can call them.

#ifdef __cplusplus
extern "C" {
#endif

// A variant as the host passes it: an empty or null value, a text, a number, a flag, or a
// one-dimensional array of variants.
enum ct_variant_type {
    CT_VARIANT_EMPTY = 0,
    CT_VARIANT_NULL = 1,
    CT_VARIANT_STRING = 2,  // value.string: UTF-8, null-terminated
    CT_VARIANT_INTEGER = 3, // value.integer
    CT_VARIANT_DOUBLE = 4,  // value.real
    CT_VARIANT_BOOLEAN = 5, // value.boolean: 0 or 1
    CT_VARIANT_ARRAY = 6    // value.array: `count` items, indexed from `low`
};

typedef struct ct_variant {
    int type; // an ct_variant_type
    union {
        const char* string;
        long long integer;
        double real;
        int boolean;
        struct {
            const struct ct_variant* items;
            int low;
            int count;
        } array;
    } value;
} ct_variant;

// One unit of the module and its initialisation and finalisation.
typedef struct ct_package_unit {
    const char* name;
    void (*init)(void);
    void (*finit)(void);
} ct_package_unit;

typedef struct ct_package_info {
    int unit_count;
    const ct_package_unit* units;
    const char* screen_code; // "PRQ31000"
    const char* caption;     // "Contratante"
} ct_package_info;

// Enters the screen with a variant holding an array of four values: branch, budget number,
// sequence and origin screen (each read as text). Returns when the screen has closed. A malformed
// argument is reported through the host's error display and nothing is shown.
void IniProc(const ct_variant* Param);
// Module load and unload, counted: only the first Initialize and the last Finalize act.
void Initialize(void);
void Finalize(void);
// What the module holds, for the host's module loader.
const ct_package_info* GetPackageInfoTable(void);

typedef void (*ct_iniproc_fn)(const ct_variant*);
typedef void (*ct_lifecycle_fn)(void);
typedef const ct_package_info* (*ct_package_info_fn)(void);

#ifdef __cplusplus
}
#endif
