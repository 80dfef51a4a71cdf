// The bare registry calls that listing the hint records needs, and nothing else: the baseline
// the listing is measured against.
#pragma once
#include "common/platform.h"

// Walks AppHintsKey as the listing does (open, enumerate, open each record by full path,
// enumerate its values and read each, close); returns the number of records. The seeded records
// hold exactly the two values the listing reads.
unsigned long ListHintsBaseline(void);

// Seeds count records, each with a "Description" and a "Need3DOn2D", below HKEY_LOCAL_MACHINE.
bool SeedHintRecords(unsigned long count);
