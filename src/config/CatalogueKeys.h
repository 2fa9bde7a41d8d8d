#pragma once

#include <cstddef>

// Every section and key of the language file that the program reads. The list is kept
// equal to the keys the program's code passes to its catalogues by a test that reads
// the sources (tests/check/catalogue_keys.py); the distribution checker reads it.
struct CatalogueKey {
    const char* section;
    const char* key;
};

extern const CatalogueKey kCatalogueKeys[];
extern const std::size_t kCatalogueKeyCount;
