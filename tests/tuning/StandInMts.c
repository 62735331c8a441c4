/* A stand-in for the MTS-ESP library, built by the test suite: the same C
 * functions a tuning client binds, with the master's presence, its tuning
 * table and its filtered keys set by the test through the StandIn_ calls.
 * Built twice: whole, and with STANDIN_PARTIAL defined, without the master
 * query, the filter queries and deregistration, as an older or damaged
 * library would be. */
#include <pthread.h>
#include <stdbool.h>

#define KEYS 128
#define MAX_CLIENTS 256

static double table[KEYS];
static bool masterPresent;
static bool filtered[KEYS];
static bool filteredMulti[KEYS];
static bool multiChannel;

static pthread_mutex_t clientsLock = PTHREAD_MUTEX_INITIALIZER;
static const void* clients[MAX_CLIENTS];
static int clientCount;
static int registrations;
static int deregistrations;
static int faults; /* a client registered twice, or an unknown one deregistered */
static int lastFilterChannel = -1;

/* --- the library's functions --- */

void MTS_RegisterClient(const void* client)
{
    pthread_mutex_lock(&clientsLock);
    ++registrations;
    for (int i = 0; i < clientCount; ++i)
        if (clients[i] == client) ++faults;
    if (clientCount < MAX_CLIENTS) clients[clientCount++] = client;
    pthread_mutex_unlock(&clientsLock);
}

const double* MTS_GetTuningTable(void) { return table; }

#ifndef STANDIN_PARTIAL
void MTS_DeregisterClient(const void* client)
{
    pthread_mutex_lock(&clientsLock);
    ++deregistrations;
    int found = -1;
    for (int i = 0; i < clientCount; ++i)
        if (clients[i] == client) found = i;
    if (found < 0)
        ++faults;
    else
        clients[found] = clients[--clientCount];
    pthread_mutex_unlock(&clientsLock);
}

bool MTS_HasMaster(void) { return masterPresent; }

bool MTS_ShouldFilterNote(char note, char channel)
{
    lastFilterChannel = (unsigned char)channel;
    return filtered[note & 0x7F];
}

bool MTS_ShouldFilterNoteMultiChannel(char note, char channel)
{
    lastFilterChannel = (unsigned char)channel;
    return filteredMulti[note & 0x7F];
}

bool MTS_UseMultiChannelTuning(char channel) { return multiChannel; }
#endif

/* --- what the test sets and reads --- */

void StandIn_Reset(void)
{
    for (int k = 0; k < KEYS; ++k) {
        table[k] = 440.0;
        filtered[k] = false;
        filteredMulti[k] = false;
    }
    masterPresent = false;
    multiChannel = false;
    lastFilterChannel = -1;
    pthread_mutex_lock(&clientsLock);
    clientCount = registrations = deregistrations = faults = 0;
    pthread_mutex_unlock(&clientsLock);
}

void StandIn_SetMaster(bool present) { masterPresent = present; }
void StandIn_SetFrequency(int key, double hz) { table[key & 0x7F] = hz; }
void StandIn_SetFiltered(int key, bool on) { filtered[key & 0x7F] = on; }
void StandIn_SetFilteredMultiChannel(int key, bool on) { filteredMulti[key & 0x7F] = on; }
void StandIn_SetMultiChannel(bool on) { multiChannel = on; }
int StandIn_LastFilterChannel(void) { return lastFilterChannel; }

static int Read(const int* value)
{
    pthread_mutex_lock(&clientsLock);
    int result = *value;
    pthread_mutex_unlock(&clientsLock);
    return result;
}

int StandIn_Clients(void) { return Read(&clientCount); }
int StandIn_Registrations(void) { return Read(&registrations); }
int StandIn_Deregistrations(void) { return Read(&deregistrations); }
int StandIn_Faults(void) { return Read(&faults); }
