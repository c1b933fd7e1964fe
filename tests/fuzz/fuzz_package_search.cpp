// The package search of the context dialog over a repository that answers with any result file.
#include "tests/fuzz/FuzzRepository.h"
#include "ui/ContextSetDlg.h"
#include "ui/ReportCtrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qv::HeadlessHost host;
    host.ClearBoxes();
    qvfuzz::Input in(data, size);
    const uint8_t r = in.Byte() % 8;
    const int result = r == 6   ? qv::kKsqlFailed
                       : r == 7 ? qv::kKsqlStatementUnwritten
                                : qv::kKsqlOk;
    const std::string text = in.Rest();
    qvfuzz::FuzzRepository repository(host, {{result, text}});
    qv::CMapStrToPkgObj chosen;
    qv::CContextSetDlg dialog(host, repository, chosen);
    host.ShowModeless(dialog);
    dialog.SetDlgItemText(qv::IDC_CTX_SRC_PROJECT, "Payroll");
    dialog.SetDlgItemText(qv::IDC_CTX_SRC_STATE, "DEV");
    dialog.SetDlgItemText(qv::IDC_CTX_TGT_PROJECT, "PayrollEU");
    dialog.SearchForPackages();

    // One package per line at most, each listed once, none with a tab; one message at most.
    const int packages = dialog.PackageList.GetCount();
    FUZZ_CHECK(static_cast<size_t>(packages) <= qvfuzz::MaxPieces(text, qv::kResultReadSize));
    FUZZ_CHECK(host.boxes.size() <= 1);
    FUZZ_CHECK(repository.runs == 1);
    if (result != qv::kKsqlOk) FUZZ_CHECK(packages == 0);
    for (const auto& [key, package] : qvfuzz::Entries(dialog.PackageList))
        FUZZ_CHECK(package.packageName.find('\t') == std::string::npos);
    if (host.boxes.empty() && packages > 0) FUZZ_CHECK(dialog.Packages().RowCount() == packages);
    host.DestroyModeless(dialog);
    return 0;
}
