#pragma once

#include "IConfigController.h"

// Checks the "log." keys a file logger is built from: "log.filename" is
// required; sizes are positive decimal numbers, booleans "true", "false", "1"
// or "0" in any case, the filter one of the level names in any case, and the
// banner title holds "%1" for the version.
class ZEMB1_EXPORT LoggerConfigController : public IConfigController
{
    Q_OBJECT
public:
    explicit LoggerConfigController(QObject* parent = nullptr);
    ~LoggerConfigController() override;

    bool isLegalConfiguration(const Properties* properties) override;
};
