// One keystroke at the end of a long message body of ordinary text: the key event, the length
// limit, and the character and total counters (target: 1 ms or less per keystroke, median).
// Alternates a typed letter and Backspace, so the body stays at 10,000 characters.
#include "common/TestEnv.h"
#include "compose/CAutoCompleteEdit.h"
#include "compose/CComposeRules.h"
#include "compose/CDlgNewSMS.h"
#include "compose/CTypedRecipients.h"
#include "config/CQVRegClass.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

// 10,000 characters of ordinary text: words and spaces, as people write them.
QString LongText() {
    const QString words = "Meet me at the station at seven and bring the tickets please ";
    QString text;
    while (text.size() < 10000) {
        text += words;
    }
    text.truncate(10000);
    return text;
}

struct Fixture {
    Fixture() {
        twtest::UsePrivateFolders(twtest::MakeTempDir("composebench"));
        reg.SetDefaultAccount("4711");
        reg.SetTruncationMode(1);
        reg.WriteDWORD(0, reg.GetRootPaths().rootWithSeparator, "SplitUpCharLimit");
        reg.WriteDWORD(1, reg.GetRootPaths().rootWithSeparator, "SplitUpType");
        reg.SetPrepaidBalance(1000);
        reg.SetEnableSignature(0);
        ComposeServices services;
        services.reg = &reg;
        services.recipients =
            std::make_shared<CTypedRecipients>(&CTypedRecipients::InternationalOnly);
        dialog = std::make_unique<CDlgNewSMS>(0, 0, services);
        dialog->show();
        dialog->Recipients()->SetRecipients("+4917011111;+4917022222");
        dialog->Body()->setPlainText(LongText());
        dialog->Body()->setFocus();
        dialog->Body()->moveCursor(QTextCursor::End);
        QApplication::processEvents();
    }
    CQVRegClass reg;
    std::unique_ptr<CDlgNewSMS> dialog;
};

std::unique_ptr<Fixture> g_fixture;

void BM_KeystrokeAtEndOf10000(benchmark::State& state) {
    if (!g_fixture) {
        g_fixture = std::make_unique<Fixture>();
    }
    QPlainTextEdit* body = g_fixture->dialog->Body();
    bool typed = false;
    for (auto _ : state) {
        if (typed) {
            QTest::keyClick(body, Qt::Key_Backspace);
        } else {
            QTest::keyClick(body, Qt::Key_A);
        }
        typed = !typed;
    }
    state.counters["chars"] = body->toPlainText().size();
}
BENCHMARK(BM_KeystrokeAtEndOf10000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The dialog's own work after each change of the body (what it adds to the toolkit's key
// handling): the text is read, the length limit checked, both counters recounted and shown.
void BM_DialogWorkPerChange10000(benchmark::State& state) {
    if (!g_fixture) {
        g_fixture = std::make_unique<Fixture>();
    }
    QPlainTextEdit* body = g_fixture->dialog->Body();
    for (auto _ : state) {
        emit body->textChanged();
    }
}
BENCHMARK(BM_DialogWorkPerChange10000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The same keystrokes in a bare text field: what the toolkit itself costs.
void BM_BareFieldKeystrokeAtEndOf10000(benchmark::State& state) {
    QPlainTextEdit field;
    field.show();
    field.resize(g_fixture ? g_fixture->dialog->Body()->size() : QSize(600, 300));
    field.setPlainText(LongText());
    field.setFocus();
    field.moveCursor(QTextCursor::End);
    bool typed = false;
    for (auto _ : state) {
        QTest::keyClick(&field, typed ? Qt::Key_Backspace : Qt::Key_A);
        typed = !typed;
    }
}
BENCHMARK(BM_BareFieldKeystrokeAtEndOf10000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The dialog's own work per keystroke: the limit check and both counts of the text.
void BM_CountAndLimit10000(benchmark::State& state) {
    CComposeSettings settings;
    settings.splitUpCharLimit = 32767;
    settings.splitUpType = 1;
    const std::string text(10000, 'x');
    for (auto _ : state) {
        benchmark::DoNotOptimize(CComposeRules::CountText(text, settings, 1));
        benchmark::DoNotOptimize(CComposeRules::CountText(text, settings, 1));
    }
}
BENCHMARK(BM_CountAndLimit10000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    char name[] = "compose_dialog_bench";
    char* qtArgv[] = {name, nullptr};
    QApplication app(qtArgc, qtArgv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_fixture.reset();
    return 0;
}
