#include "ui/subclass/SubclassCore.h"

namespace klevotrim::subclass {

namespace {

std::string Number(std::intptr_t value) {
    return std::to_string(value);
}
// Messages are written as signed 32-bit numbers.
std::string MessageText(std::uint32_t message) {
    return std::to_string(static_cast<std::int32_t>(message));
}

std::int32_t ReadCount(SubclassHost& host, WindowId window, const std::string& key) {
    return static_cast<std::int32_t>(host.GetProp(window, key));
}

bool WriteCount(SubclassHost& host, WindowId window, const std::string& key, std::int32_t count) {
    return host.SetProp(window, key, static_cast<PropValue>(count < 0 ? 0 : count));
}

// Takes back a new last slot and its count increment.
void UndoClientSlot(SubclassHost& host, WindowId window, std::uint32_t message, std::int32_t newCount) {
    host.SetProp(window, ClientSlotKey(window, message, newCount), 0);
    WriteCount(host, window, ClientCountKey(window, message), newCount - 1);
}

} // namespace

std::string WindowCountKey(WindowId window) {
    return Number(window) + "C";
}
std::string OldProcKey(WindowId window) {
    return Number(window);
}
std::string ClientCountKey(WindowId window, std::uint32_t message) {
    return Number(window) + "#" + MessageText(message) + "C";
}
std::string ClientSlotKey(WindowId window, std::uint32_t message, std::int32_t index) {
    return Number(window) + "#" + MessageText(message) + "#" + std::to_string(index);
}

AttachError Attach(SubclassHost& host, PropValue client, WindowId window, std::uint32_t message) {
    if (!host.IsWindow(window))
        return AttachError::InvalidWindow;
    if (!host.IsOwnProcess(window))
        return AttachError::ExternalWindow;
    if (client == 0)
        return AttachError::InvalidArgument;

    const std::string countKey = ClientCountKey(window, message);
    const std::int32_t count = ReadCount(host, window, countKey);
    for (std::int32_t i = 1; i <= count; ++i)
        if (host.GetProp(window, ClientSlotKey(window, message, i)) == client)
            return AttachError::AlreadyAttached;

    const std::int32_t newCount = count + 1;
    if (!WriteCount(host, window, countKey, newCount))
        return AttachError::InvalidArgument;
    if (!host.SetProp(window, ClientSlotKey(window, message, newCount), client)) {
        WriteCount(host, window, countKey, count);
        return AttachError::InvalidArgument;
    }

    const std::string windowKey = WindowCountKey(window);
    const std::int32_t attachments = ReadCount(host, window, windowKey);
    if (attachments == 0) {
        PropValue previous = host.InstallDispatcher(window);
        if (previous == 0) {
            UndoClientSlot(host, window, message, newCount);
            return AttachError::CantSubclass;
        }
        if (!host.SetProp(window, OldProcKey(window), previous)) {
            host.RestoreWindowProc(window, previous);
            UndoClientSlot(host, window, message, newCount);
            return AttachError::InvalidArgument;
        }
    }

    if (WriteCount(host, window, windowKey, attachments + 1))
        return AttachError::None;

    UndoClientSlot(host, window, message, newCount);
    if (ReadCount(host, window, windowKey) == 0) {
        PropValue old = host.GetProp(window, OldProcKey(window));
        if (old != 0) {
            host.RestoreWindowProc(window, old);
            host.SetProp(window, OldProcKey(window), 0);
        }
    }
    return AttachError::InvalidArgument;
}

void Detach(SubclassHost& host, PropValue client, WindowId window, std::uint32_t message) {
    if (client == 0 || !host.IsWindow(window) || !host.IsOwnProcess(window))
        return;
    const std::string countKey = ClientCountKey(window, message);
    const std::int32_t count = ReadCount(host, window, countKey);
    if (count <= 0)
        return;

    std::int32_t found = 0;
    for (std::int32_t i = 1; i <= count && found == 0; ++i)
        if (host.GetProp(window, ClientSlotKey(window, message, i)) == client)
            found = i;
    if (found == 0)
        return;

    for (std::int32_t j = found; j < count; ++j)
        host.SetProp(window, ClientSlotKey(window, message, j),
                     host.GetProp(window, ClientSlotKey(window, message, j + 1)));
    host.SetProp(window, ClientSlotKey(window, message, count), 0);
    WriteCount(host, window, countKey, count - 1);

    const std::string windowKey = WindowCountKey(window);
    const std::int32_t attachments = ReadCount(host, window, windowKey);
    if (attachments == 1) {
        PropValue old = host.GetProp(window, OldProcKey(window));
        if (old != 0)
            host.RestoreWindowProc(window, old);
        host.SetProp(window, OldProcKey(window), 0);
    }
    WriteCount(host, window, windowKey, attachments - 1);
}

MessageResult Dispatch(SubclassHost& host, WindowId window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    const PropValue oldProc = host.GetProp(window, OldProcKey(window));
    if (oldProc == 0)
        return 0;

    const std::string countKey = ClientCountKey(window, message);
    const std::int32_t count = ReadCount(host, window, countKey);
    if (count <= 0) {
        if (message == kDestroyMessage) {
            // Unsubclass before the window goes, so its old procedure sees the rest of its life.
            const std::string windowKey = WindowCountKey(window);
            if (ReadCount(host, window, windowKey) > 0) {
                host.RestoreWindowProc(window, oldProc);
                host.SetProp(window, OldProcKey(window), 0);
                WriteCount(host, window, windowKey, 0);
            }
        }
        return host.CallOldProc(oldProc, window, message, wParam, lParam);
    }

    MessageResult result = 0;
    bool oldCalled = false;
    bool reached = false;
    // Slots are read afresh at every step: a client may detach itself or others meanwhile.
    for (std::int32_t i = count; i >= 1; --i) {
        const PropValue client = host.GetProp(window, ClientSlotKey(window, message, i));
        if (client == 0)
            continue;
        reached = true;
        host.SetCurrentMessage(message);
        if (i == 1 && !oldCalled && host.ClientResponse(client) == Before) {
            result = host.CallOldProc(oldProc, window, message, wParam, lParam);
            oldCalled = true;
        }
        result = host.CallClient(client, window, message, wParam, lParam);
    }

    // The first-attached client is looked up again rather than remembered: one that detached
    // during the walk may already be gone.
    if (reached && !oldCalled) {
        const PropValue first = host.GetProp(window, ClientSlotKey(window, message, 1));
        if (first != 0 && host.ClientResponse(first) == After)
            result = host.CallOldProc(oldProc, window, message, wParam, lParam);
    }
    return result;
}

MessageResult CallOld(SubclassHost& host, WindowId window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam) {
    const PropValue oldProc = host.GetProp(window, OldProcKey(window));
    if (oldProc == 0)
        return 0;
    return host.CallOldProc(oldProc, window, message, wParam, lParam);
}

} // namespace klevotrim::subclass
