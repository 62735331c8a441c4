// The test's side of the stand-in MTS-ESP library: opened by the same path the
// binding under test uses (so both see one loaded copy), it sets what the
// master says and reads what the clients did.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/DynamicLibrary.h"

namespace qor::test {

class StandInMts {
public:
    explicit StandInMts(const std::string& path)
    {
        if (!library_.open(path)) {
            ADD_FAILURE() << "cannot load the stand-in " << path << ": " << library_.error();
            return;
        }
        Bind(reset_, "StandIn_Reset");
        Bind(setMaster_, "StandIn_SetMaster");
        Bind(setFrequency_, "StandIn_SetFrequency");
        Bind(setFiltered_, "StandIn_SetFiltered");
        Bind(setFilteredMulti_, "StandIn_SetFilteredMultiChannel");
        Bind(setMultiChannel_, "StandIn_SetMultiChannel");
        Bind(lastFilterChannel_, "StandIn_LastFilterChannel");
        Bind(clients_, "StandIn_Clients");
        Bind(registrations_, "StandIn_Registrations");
        Bind(deregistrations_, "StandIn_Deregistrations");
        Bind(faults_, "StandIn_Faults");
        if (reset_) reset_();
    }
    ~StandInMts()
    {
        if (reset_) reset_();
    }
    StandInMts(const StandInMts&) = delete;
    StandInMts& operator=(const StandInMts&) = delete;

    bool Loaded() const { return faults_ != nullptr; }

    void SetMaster(bool present) { setMaster_(present); }
    void SetFrequency(int key, double hz) { setFrequency_(key, hz); }
    void SetFiltered(int key, bool on) { setFiltered_(key, on); }
    void SetFilteredMultiChannel(int key, bool on) { setFilteredMulti_(key, on); }
    void SetMultiChannel(bool on) { setMultiChannel_(on); }
    // The channel the last filter query named (0xFF: none), -1 before any.
    int LastFilterChannel() const { return lastFilterChannel_(); }
    // Clients registered now; registrations and deregistrations so far; a
    // client registered twice or an unknown one deregistered.
    int Clients() const { return clients_(); }
    int Registrations() const { return registrations_(); }
    int Deregistrations() const { return deregistrations_(); }
    int Faults() const { return faults_(); }

private:
    template <typename Function>
    void Bind(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(library_.symbol(name));
        if (!function) ADD_FAILURE() << "the stand-in lacks " << name;
    }

    DynamicLibrary library_;
    void (*reset_)() = nullptr;
    void (*setMaster_)(bool) = nullptr;
    void (*setFrequency_)(int, double) = nullptr;
    void (*setFiltered_)(int, bool) = nullptr;
    void (*setFilteredMulti_)(int, bool) = nullptr;
    void (*setMultiChannel_)(bool) = nullptr;
    int (*lastFilterChannel_)() = nullptr;
    int (*clients_)() = nullptr;
    int (*registrations_)() = nullptr;
    int (*deregistrations_)() = nullptr;
    int (*faults_)() = nullptr;
};

// The frequency of key 69 moved by the given cents.
inline double CentsAboveA4(double cents) { return 440.0 * std::pow(2.0, cents / 1200.0); }

}  // namespace qor::test
