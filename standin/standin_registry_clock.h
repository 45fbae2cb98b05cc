// The registry's clock, which also times the stand-in's processes: every write is a later
// time than the one before.
#pragma once

unsigned long long StandinNextRegistryTime(void);
