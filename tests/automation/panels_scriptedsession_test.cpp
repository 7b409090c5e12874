// Whole scripted sessions through the record panels: presenting subscribers, capturing and editing expenses.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int ProcessTimeout = 60000;

class PanelSession : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        QProcess admin;
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {QStringLiteral("create-demo"), office(), QStringLiteral("--subscribers"),
                     QStringLiteral("30"), QStringLiteral("--years"), QStringLiteral("1")});
        ASSERT_TRUE(admin.waitForFinished(ProcessTimeout));
        ASSERT_EQ(admin.exitCode(), 0) << admin.readAllStandardError().toStdString();
    }

    QString office() const { return m_folder.filePath(QStringLiteral("oficina")); }

    // Runs the script on the office; the exit status, with the transcript in m_transcript.
    int run(const QString& script)
    {
        const QString scriptFile = m_folder.filePath(QStringLiteral("guion.txt"));
        const QString transcriptFile = m_folder.filePath(QStringLiteral("transcripcion.txt"));
        QFile file(scriptFile);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(script.toUtf8());
        file.close();
        QFile::remove(transcriptFile);

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(m_folder.path());
        program.start(QStringLiteral(QUELMAR_PROGRAM),
                      {QStringLiteral("--dir"), office(), QStringLiteral("--script"), scriptFile,
                       QStringLiteral("--transcript"), transcriptFile});
        if (!program.waitForFinished(ProcessTimeout)) {
            program.kill();
            program.waitForFinished();
            ADD_FAILURE() << "the program did not end";
            return -1;
        }
        QFile output(transcriptFile);
        m_transcript = output.open(QIODevice::ReadOnly) ? QString::fromUtf8(output.readAll()) : QString();
        m_transcript += QString::fromUtf8(program.readAllStandardError());
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    // One value of the office database, as the companion command's query prints it.
    QString query(const QString& statement)
    {
        QProcess admin;
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {QStringLiteral("query"), office() + QStringLiteral("/Quelmar.mdb"), statement});
        EXPECT_TRUE(admin.waitForFinished(ProcessTimeout));
        const QStringList lines =
            QString::fromUtf8(admin.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return lines.size() >= 2 ? lines.at(1).trimmed() : QString();
    }

    std::string transcript() const { return m_transcript.toStdString(); }

    QString m_transcript;

private:
    QTemporaryDir m_folder;
};

TEST_F(PanelSession, revisaSuscriptorShowsTheFirstSubscriberAndMoves)
{
    const int status = run(QStringLiteral("menu 1\nmenu 3\n"
                                          "expect [panel] REVISA SUSCRIPTOR | Registro 1 de 30 | Nombre = \n"
                                          "record next\n"
                                          "expect [panel] REVISA SUSCRIPTOR | Registro 2 de 30 |\n"
                                          "press Termina\n"
                                          "expect [menu]\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    // Dates are shown as day, Spanish month and four-digit year.
    const QRegularExpression date(QStringLiteral("Instalación = \\d\\d-[A-Z][a-z][a-z]-\\d{4}"));
    EXPECT_TRUE(m_transcript.contains(date)) << transcript();
}

TEST_F(PanelSession, aCapturedExpenseIsCorrectedAndSaved)
{
    const int status =
        run(QStringLiteral("menu 7\nmenu 1\n"
                           "expect [panel] Registra Gastos | Registro nuevo\n"
                           "set Descripción Papelería de oficina\n"
                           "set Monto -5\n"
                           "press Termina\n"
                           "expect Revise Dato: El dato: Monto debería ser mayor que 0\n"
                           "answer OK\n"
                           "expect ¿ Desea corregir los datos erróneos ó cancelar la operación ?\n"
                           "answer Retry\n"
                           "set Monto 0\n"
                           "press Termina\n"
                           "expect Se presenta el error: 3317\n"
                           "answer Yes\n"
                           "set Monto 1,250.50\n"
                           "set Comprobante F-901\n"
                           "press Termina\n"
                           "expect [menu]\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Monto FROM Gastos WHERE Comprobante = 'F-901'")),
              QStringLiteral("1250.5"));
    EXPECT_EQ(query(QStringLiteral("SELECT Descripción FROM Gastos WHERE Comprobante = 'F-901'")),
              QStringLiteral("Papelería de oficina"));
}

TEST_F(PanelSession, aDuplicateVoucherShowsTheTranslatedErrorAndIsCorrected)
{
    // The office keeps vouchers unique (the demo repeats some, so its expenses go first).
    query(QStringLiteral("DELETE FROM Gastos"));
    query(QStringLiteral("CREATE UNIQUE INDEX ComprobanteUnico ON Gastos (Comprobante)"));
    query(QStringLiteral("INSERT INTO Gastos (Descripción, Monto, Comprobante) VALUES ('Luz', 10, 'F-1')"));
    const int status = run(QStringLiteral("menu 7\nmenu 1\n"
                                          "set Descripción Agua\n"
                                          "set Monto 20\n"
                                          "set Comprobante F-1\n"
                                          "press Termina\n"
                                          "expect La Clave de identificación ya existe\n"
                                          "answer Yes\n"
                                          "set Comprobante F-2\n"
                                          "press Termina\n"
                                          "expect [menu]\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_TRUE(
        m_transcript.contains(QStringLiteral("[question] Aviso de Error: Se presenta el error: 3022   ")))
        << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Gastos")), QStringLiteral("2"));
    EXPECT_EQ(query(QStringLiteral("SELECT Descripción FROM Gastos WHERE Comprobante = 'F-2'")),
              QStringLiteral("Agua"));
}

TEST_F(PanelSession, aCancelledCaptureWritesNothing)
{
    const QString before = query(QStringLiteral("SELECT Count(*) FROM Gastos"));
    const int status = run(QStringLiteral("menu 7\nmenu 1\n"
                                          "set Descripción No se guarda\n"
                                          "set Monto 40\n"
                                          "press Cancela\n"
                                          "expect [menu]\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Gastos")), before);
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Descripción = 'No se guarda'")),
              QStringLiteral("0"));
}

TEST_F(PanelSession, anExpenseIsEditedAndDeletionsAreConfirmed)
{
    const QString before = query(QStringLiteral("SELECT Count(*) FROM Gastos"));
    ASSERT_GT(before.toInt(), 2);
    const int status = run(QStringLiteral("menu 7\nmenu 2\n"
                                          "expect [panel] Modifica Gastos | Registro 1 de \n"
                                          "press Elimina\n"
                                          "expect BORRA REGISTRO:   ¿Esta seguro de borrar este Registro?\n"
                                          "answer Cancel\n"
                                          "press Elimina\n"
                                          "answer OK\n"
                                          "set Cheque CH-2026\n"
                                          "press Termina\n"
                                          "expect [menu]\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Gastos")), QString::number(before.toInt() - 1));
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Cheque = 'CH-2026'")),
              QStringLiteral("1"));
}

} // namespace
