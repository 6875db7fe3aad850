#include "update/messages.h"

// Accented letters are written as escapes so that every compiler reads the
// same characters whatever it takes the source encoding to be.

namespace FunzioniReg {

namespace {

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Up to three names, each as the system gives it, and "altri" for the rest:
// "A", "B" e altri.
std::wstring HolderNames(const std::vector<platform::FileHolder>& holders) {
  constexpr std::size_t kNamed = 3;
  std::vector<std::wstring> names;
  for (std::size_t i = 0; i < holders.size() && i < kNamed; ++i) {
    names.push_back(Quoted(holders[i].name) +
                    (holders[i].other_session ? L" (di un altro utente)" : L""));
  }
  if (holders.size() > kNamed) names.push_back(L"altri");
  std::wstring text = names.front();
  for (std::size_t i = 1; i < names.size(); ++i) {
    text += (i + 1 == names.size() ? L" e " : L", ") + names[i];
  }
  return text;
}

std::wstring HeldFileText(const std::vector<platform::FileHolder>& holders) {
  return L"Il file \u00e8 in uso da " + HolderNames(holders) + L"; chiudere " +
         (holders.size() == 1 ? L"il programma" : L"i programmi") + L" e ripetere l'aggiornamento";
}

std::wstring AdviceText(Advice advice, const std::wstring& program_name) {
  switch (advice) {
    case Advice::kCloseProgram:
      return L"Chiudere " + Quoted(program_name) + L" se \u00e8 aperto e ripetere l'aggiornamento";
    case Advice::kFreeSpace:
      return L"Liberare spazio sul disco e ripetere l'aggiornamento";
    case Advice::kAsAdministrator:
      return L"Ripetere l'aggiornamento come amministratore";
    case Advice::kAsAdministratorFromShare:
      return L"Ripetere l'aggiornamento come amministratore, avviandolo dal percorso di rete "
             L"(\\\\server\\cartella\\...) anzich\u00e9 da una lettera di unit\u00e0 di rete";
    case Advice::kAskSupplier:
      return L"Il nuovo programma non reca la firma digitale del produttore; richiedere al "
             L"fornitore un aggiornamento integro";
    case Advice::kCertificateNotTrustedHere:
      return L"Il certificato con cui il produttore ha firmato il nuovo programma non \u00e8 "
             L"riconosciuto come attendibile da questo computer; rivolgersi a chi gestisce "
             L"questo computer";
    case Advice::kAskWhoLooksAfterThisPc:
      return L"Il file \u00e8 protetto anche per l'amministratore; rivolgersi a chi gestisce "
             L"questo computer e ripetere l'aggiornamento";
    case Advice::kRetry:
      break;
  }
  return L"Ripetere l'aggiornamento";
}

}  // namespace

const wchar_t kApplicationTitle[] = L"Quadrivo";

std::wstring PriceListPlacedMessage(const std::wstring& price_list_name,
                                    const std::wstring& install_folder) {
  return L"Il Prezzario " + price_list_name +
         L" \u00e8 stato regolarmente copiato nella cartella " + install_folder + L"Prezzari";
}

std::wstring DefaultFolderMessage(const std::wstring& default_folder) {
  return L"Poich\u00e8 il Programma di Contabilit\u00e0 " + Quoted(L"Lindarex") +
         L" non risulta Installato, il Prezzario sar\u00e0 copiato nella Cartella di Default " +
         default_folder;
}

std::wstring UpdateCompletedMessage(const std::wstring& program_name) {
  return L"L'Aggiornamento di " + Quoted(program_name) + L" \u00e8 stato regolarmente eseguito.";
}

std::wstring UpdateCancelledMessage(const std::wstring& program_name) {
  std::wstring text = L"AGGIORNAMENTO ANNULLATO perch\u00e8 " + Quoted(program_name) +
                      L" non risulta installato.\r\n"
                      L"Si fa presente che per la normale installazione \u00e8 richiesto l'intero "
                      L"pacchetto con tutti i Files e le Librerie necessarie per il normale "
                      L"funzionamento del Programma.";
  if (program_name == L"Zembrolasi") {
    text += L"\r\n\r\nRichiedere il CD all'Ostravelo o contattare il fornitore.";
  }
  return text;
}

std::wstring UpdateFailedMessage(const std::wstring& program_name, const std::wstring& source,
                                 const std::wstring& destination, Advice advice,
                                 const std::vector<platform::FileHolder>& holders) {
  const std::wstring what_to_do = advice == Advice::kCloseProgram && !holders.empty()
                                      ? HeldFileText(holders)
                                      : AdviceText(advice, program_name);
  return L"AGGIORNAMENTO NON RIUSCITO: non \u00e8 stato possibile copiare " + Quoted(source) +
         L" in " + Quoted(destination) + L".\r\n" + what_to_do +
         L": i file dell'aggiornamento non sono stati rimossi.";
}

Advice AdviceFor(platform::Status status, bool elevated, bool media_on_mapped_letter) {
  switch (status) {
    case platform::kErrorSharingViolation:
    case platform::kErrorLockViolation:
      return Advice::kCloseProgram;
    case platform::kErrorAccessDenied:
      if (elevated) return Advice::kAskWhoLooksAfterThisPc;
      return media_on_mapped_letter ? Advice::kAsAdministratorFromShare : Advice::kAsAdministrator;
    case platform::kErrorDiskFull:
    case platform::kErrorHandleDiskFull:
      return Advice::kFreeSpace;
    case platform::kErrorNotPublishers:
      return Advice::kAskSupplier;
    case platform::kErrorPublisherNotTrustedHere:
      return Advice::kCertificateNotTrustedHere;
    default:
      return Advice::kRetry;
  }
}

}  // namespace FunzioniReg
