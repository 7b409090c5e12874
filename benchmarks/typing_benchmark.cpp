// Measures typing into the panel's memo box: N characters typed one key at a time, as a person (or a scripted
// session) types them. The time per character ("per_key") must not grow with N.

#include "panels/keyboard.h"
#include "panels/memobox.h"

#include <QApplication>
#include <QString>

#include <benchmark/benchmark.h>

using namespace quelmar;

namespace {

// Words of ordinary length, so that the text wraps as an observation would.
QString typedText(qsizetype length)
{
    static const QString words = QStringLiteral("el suscriptor reporta falla de señal en la colonia centro ");
    QString text;
    text.reserve(length);
    while (text.size() < length)
        text += words;
    text.truncate(length);
    return text;
}

void BM_TypeIntoMemo(benchmark::State& state)
{
    const QString text = typedText(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        panels::MemoBox memo;
        memo.setWordWrapMode(QTextOption::WordWrap);
        memo.resize(600, 120);
        memo.show();
        state.ResumeTiming();
        panels::keyboard::replaceText(&memo, text);
        state.PauseTiming();
        if (memo.text() != text)
            state.SkipWithError("the memo does not hold what was typed");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["per_key"] = benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TypeIntoMemo)->Arg(2000)->Arg(20000)->ArgNames({"chars"})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
