#include "app/ErrorReport.h"

#include <QMessageBox>
#include <QString>
#include <exception>
#include <iostream>

namespace {

ErrorBoxPresenter& presenterOverride() {
    static ErrorBoxPresenter presenter;
    return presenter;
}

void showErrorBox() {
    if (presenterOverride()) {
        presenterOverride()(errorBoxCaption, errorBoxText);
        return;
    }
    // No parent: the main window is already gone when the box comes up.
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(errorBoxCaption),
                    QString::fromUtf8(errorBoxText), QMessageBox::Ok);
    box.exec();
}

void reportFailure(const std::string& reason, FailureNotice notice) {
    std::cerr << "mirelda: " << reason << std::endl;
    if (notice == FailureNotice::LineAndBox)
        showErrorBox();
}

} // namespace

void setErrorBoxPresenter(ErrorBoxPresenter presenter) {
    presenterOverride() = std::move(presenter);
}

int runReportingFailures(const std::function<void()>& demo, FailureNotice notice) {
    // Everything demo builds lives inside it, so it is torn down before the box comes up and no
    // window can reach a destroyed object while the box runs its own event loop.
    try {
        demo();
    } catch (const std::exception& error) {
        reportFailure(error.what(), notice);
        return exitFailure;
    } catch (...) {
        reportFailure("unknown failure", notice);
        return exitFailure;
    }
    return exitSuccess;
}
