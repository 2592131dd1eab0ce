#pragma once

#include "IConfigController.h"

// A controller with a fixed answer, for configurations that need no check.
class ZEMB1_EXPORT DefaulConfigController : public IConfigController
{
    Q_OBJECT
public:
    explicit DefaulConfigController(bool answer = true, QObject* parent = nullptr);
    ~DefaulConfigController() override;

    bool isLegalConfiguration(const Properties* properties) override;

private:
    bool _answer;
};
