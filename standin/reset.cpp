// One reset for the whole stand-in, so that no part of it needs to know the others.
#include "standin.h"
#include "standin/standin_reset.h"

void StandinReset(void)
{
    StandinResetFaults();
    StandinResetRegistry();
    StandinResetUser();
    StandinResetWinsock();
    StandinResetAdapters();
    StandinResetSync();
    StandinResetServices();
    StandinResetEventLog();
}
