#include "DefaulConfigController.h"

DefaulConfigController::DefaulConfigController(bool answer, QObject* parent)
    : IConfigController(parent), _answer(answer)
{
}

DefaulConfigController::~DefaulConfigController() = default;

bool DefaulConfigController::isLegalConfiguration(const Properties*)
{
    return _answer;
}
