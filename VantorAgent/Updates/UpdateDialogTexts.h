#pragma once

#include "Platform/Updates/StandardUserDriver.h"

// The update dialogs' texts in the interface language.
namespace UpdateDialogTexts {

StandardUserDriver::Texts make();

} // namespace UpdateDialogTexts
