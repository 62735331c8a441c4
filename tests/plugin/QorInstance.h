// One QOR as a host would have it right after creation (every empty slot
// filled with the initial state), in a temporary home folder, talking to the
// recording test host.
#pragma once

#include <memory>

#include "plugin/QOR.h"
#include "tests/framework/TestPlug.h"
#include "tests/plugin/TestHome.h"

namespace qor::test {

struct QorInstance {
    QorInstance()
    {
        gTestHost = &host;
        plug = std::make_unique<QOR>(TestHostCallback);
        plug->FillEmptyPresets(nullptr, 100);
    }
    ~QorInstance()
    {
        plug.reset();
        gTestHost = nullptr;
    }
    QorInstance(const QorInstance&) = delete;
    QorInstance& operator=(const QorInstance&) = delete;

    QOR& operator*() { return *plug; }
    QOR* operator->() { return plug.get(); }

    TestHome home;
    TestHost host;
    std::unique_ptr<QOR> plug;
};

}  // namespace qor::test
