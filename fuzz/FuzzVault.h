#pragma once

#include <memory>

class Logger;
class Model;
class QTabWidget;
class RackModel;

// The vault side of the harnesses that build racks: a new empty vault model
// each time, over one tab widget and one logger that writes nowhere (both
// made on first use, after the application object).
class FuzzVault
{
public:
    static std::shared_ptr<Model> newModel();
    static QTabWidget& tabs();
    static const std::shared_ptr<Logger>& logger();
    // True when no role appears twice in the rack.
    static bool rolesUnique(const RackModel& rack);
};
