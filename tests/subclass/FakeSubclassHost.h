#pragma once
// An in-memory window system for the subclassing rules: property lists, window procedures and
// clients that record the order in which they are called.
#include "ui/subclass/SubclassCore.h"

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace klevotrim::subclass::test {

inline constexpr PropValue kOriginalProc = 0x1000;
inline constexpr PropValue kDispatcher = 0x2000;

struct FakeClient {
    std::string name;
    Response response = Consume;
    MessageResult result = 0;
};

class FakeHost : public SubclassHost {
  public:
    std::set<WindowId> windows{1234};
    std::set<WindowId> foreign;
    std::map<std::pair<WindowId, std::string>, PropValue> props;
    std::map<WindowId, PropValue> procs{{1234, kOriginalProc}};
    std::vector<std::string> calls; // "old", or a client's name
    std::string failWriteKey;       // a write to this key fails
    bool failInstall = false;
    std::uint32_t currentMessage = 0;
    MessageResult oldResult = 77;

    bool IsWindow(WindowId window) override { return windows.count(window) != 0; }
    bool IsOwnProcess(WindowId window) override { return foreign.count(window) == 0; }
    PropValue GetProp(WindowId window, const std::string& key) override {
        auto it = props.find({window, key});
        return it == props.end() ? 0 : it->second;
    }
    bool SetProp(WindowId window, const std::string& key, PropValue value) override {
        if (!failWriteKey.empty() && key == failWriteKey && value != 0)
            return false;
        if (value == 0)
            props.erase({window, key});
        else
            props[{window, key}] = value;
        return true;
    }
    PropValue InstallDispatcher(WindowId window) override {
        if (failInstall)
            return 0;
        return std::exchange(procs[window], kDispatcher);
    }
    void RestoreWindowProc(WindowId window, PropValue oldProc) override { procs[window] = oldProc; }
    void SetCurrentMessage(std::uint32_t message) override { currentMessage = message; }
    Response ClientResponse(PropValue client) override {
        return reinterpret_cast<FakeClient*>(client)->response;
    }
    MessageResult CallClient(PropValue client, WindowId, std::uint32_t, std::uintptr_t,
                             std::intptr_t) override {
        auto* c = reinterpret_cast<FakeClient*>(client);
        calls.push_back(c->name);
        return c->result;
    }
    MessageResult CallOldProc(PropValue, WindowId, std::uint32_t, std::uintptr_t, std::intptr_t) override {
        calls.push_back("old");
        return oldResult;
    }

    // Properties of one window, in key order.
    std::size_t PropCount(WindowId window) const {
        std::size_t n = 0;
        for (const auto& [k, v] : props)
            n += k.first == window ? 1 : 0;
        return n;
    }
};

inline PropValue Id(FakeClient& c) {
    return reinterpret_cast<PropValue>(&c);
}

} // namespace klevotrim::subclass::test
