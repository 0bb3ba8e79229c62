#pragma once
// The pages of the companion service, under the names the service has always answered to: the
// program asks for them and zivron-service answers them, so both ends take the names from here.

namespace zivron::service_page {

inline constexpr const char* kLogin = "KoreSismaManuy.asp";
inline constexpr const char* kInstitutions = "KoreMosadot.asp";
inline constexpr const char* kInstitutionDetails = "KorePerateyMosad.asp";
inline constexpr const char* kAddInstitution = "HosefMosad.asp";
inline constexpr const char* kUpdateInstitution = "AdkenMosad.asp";
inline constexpr const char* kDeleteInstitution = "MehakMosad.asp";
inline constexpr const char* kActivityLog = "AdkenYomanPeilut.asp";
// The bank and branch lists: the date of the edition the service holds ("none" without one), or
// with "get=1" the edition itself.
inline constexpr const char* kBankEdition = "BankEdition.asp";

}  // namespace zivron::service_page
