// The four outcomes of a run and the failed update, each as the one text the
// user is shown.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "update/failure_advice.h"

namespace FunzioniReg {

extern const wchar_t kApplicationTitle[];

std::wstring PriceListPlacedMessage(const std::wstring& price_list_name,
                                    const std::wstring& install_folder);
std::wstring DefaultFolderMessage(const std::wstring& default_folder);
std::wstring UpdateCompletedMessage(const std::wstring& program_name);
std::wstring UpdateCancelledMessage(const std::wstring& program_name);
// Names the copy that failed, then what to do about it: for a file in use,
// the programs that held it, when they are known.
std::wstring UpdateFailedMessage(const std::wstring& program_name, const std::wstring& source,
                                 const std::wstring& destination, Advice advice,
                                 const std::vector<platform::FileHolder>& holders);

}  // namespace FunzioniReg
