// Each part of the stand-in empties its own state; StandinReset calls them all.
#pragma once

void StandinResetFaults(void);
void StandinResetRegistry(void);
void StandinResetUser(void);
void StandinResetWinsock(void);
void StandinResetAdapters(void);
void StandinResetSync(void);
void StandinResetServices(void);
void StandinResetEventLog(void);
