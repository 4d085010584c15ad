// What one keystroke costs in the recipients field: a typed letter that recomputes and shows
// the suggestions, with address books of growing size; and re-checking a field that holds
// many entries, as happens each time the field loses the focus.
#include "compose/CAutoCompleteEdit.h"

#include <QApplication>
#include <QTest>

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Book(int size) {
    std::vector<std::string> entries;
    for (int i = 0; i < size; ++i) {
        entries.push_back("Contact " + std::to_string(i) + " (+4917" +
                          std::to_string(10000000 + i) + ")");
    }
    return entries;
}

// One letter typed and taken back: the list is recomputed twice, shown and hidden.
void TypeLetter(benchmark::State& state) {
    CAutoCompleteEdit field;
    field.SetKnownEntries(Book(static_cast<int>(state.range(0))));
    field.show();
    QTest::keyClicks(&field, "Contact 1");
    for (auto _ : state) {
        QTest::keyClick(&field, '2');
        QTest::keyClick(&field, Qt::Key_Backspace);
    }
    benchmark::DoNotOptimize(field.IsSuggestionListShown());
}
BENCHMARK(TypeLetter)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Every entry of a long field checked and formatted again.
void CompleteAll(benchmark::State& state) {
    const std::vector<std::string> book = Book(1000);
    CAutoCompleteEdit field;
    field.SetKnownEntries(book);
    std::string text;
    for (int i = 0; i < state.range(0); ++i) {
        text += book[static_cast<size_t>(i) * 7] + ";";
    }
    field.SetRecipients(text);
    for (auto _ : state) {
        field.CompleteAll();
    }
}
BENCHMARK(CompleteAll)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The offscreen platform reports each window operation it cannot do.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
