#include "reminders/reminder_message.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/connection.h"
#include "common/ptbr_format.h"
#include "fixtures/reminder_data_builder.h"
#include "reminder_files.h"
#include "support/erp_installation.h"
#include "support/fake_clock.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::namesIn;
using test::ReminderData;
using test::ReminderDocument;

class ReminderMessage : public ::testing::Test {
protected:
    ReminderMessage() { ReminderData::addTo(*db, outbox.emailFolder); }

    // The body written for a document at the clock's current second.
    std::string bodyOf(int document, const std::string& stamp) const {
        return readBytes(outbox.monthFolder("2026-03") /
                       ("Aviso de Vencto - " + std::to_string(document) + " - " + stamp + ".txt"));
    }

    test::ErpInstallation erp;
    std::unique_ptr<Connection> db = erp.connect();
    test::Outbox outbox{erp.root() / "Email"};
    test::FakeClock clock{makeDateTime(2026, 3, 10, 8, 1, 5)};
};

std::string utf16(const std::u16string& text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

TEST_F(ReminderMessage, BodyAndControlFilesByteForByte) {
    ReminderDocument{.id = 123, .due = "'20.03.2026'", .number = "NF 4490/1", .amount = "1234.5"}.addTo(*db);
    ReminderData::writeTemplate(outbox.emailFolder,
                                "Prezado(a) <nome_contato_financeiro>,\r\n"
                                "\r\n"
                                "O t\xEDtulo <documento_financeiro> de <razao_social_cliente> vence em "
                                "<data_vencimento>.\n"
                                "Valor: R$ <valor_documento> (vencimento <data_vencimento>)\r"
                                "Aten\xE7\xE3o: n\xE3o \xE9 preciso responder. <NOSSA_EMPRESA>\r\n"
                                "<nossa_empresa>");

    writeReminderEmail(*db, clock, 123);

    const std::string baseName = "Aviso de Vencto - 123 - 20260310080105";
    EXPECT_EQ(namesIn(outbox.folder()), (std::vector<std::string>{"Aviso de Vencimento", baseName + ".cfe"}));
    EXPECT_EQ(namesIn(outbox.monthFolder("2026-03")), std::vector<std::string>{baseName + ".txt"});
    EXPECT_EQ(bodyOf(123, "20260310080105"),
              "Prezado(a) Jos\xE9 Concei\xE7\xE3o,\r\n"
              "\r\n"
              "O t\xEDtulo NF 4490/1 de CONSTRU\xC7\xC3O S\xC3O JOS\xC9 vence em 20/03/2026.\r\n"
              "Valor: R$ 1.234,50 (vencimento 20/03/2026)\r\n"
              "Aten\xE7\xE3o: n\xE3o \xE9 preciso responder. <NOSSA_EMPRESA>\r\n"
              "FERRAGENS A\xC7O\r\n");
    EXPECT_EQ(readBytes(outbox.folder() / (baseName + ".cfe")),
              "De: cobranca@aco.com.br\r\n"
              "Para: financeiro@saojose.com.br; contas@saojose.com.br\r\n"
              "Assunto: T\xEDtulo NF 4490/1 vence em 20/03/2026 - FERRAGENS A\xC7O <Data_Vencimento>\r\n"
              "Corpo: " +
                  outbox.emailFolder.string() +
                  "/Caixa de Sa\xED" "da/Aviso de Vencimento/2026-03/Aviso de Vencto - 123 - 20260310080105.txt\r\n");
}

TEST_F(ReminderMessage, TemplateEncodingsAndAmounts) {
    const std::string expected = "Aten\xE7\xE3o ? <x> 20/03/2026\r\nfim\r\n";
    const struct {
        const char* encoding;
        std::string bytes;
    } templates[] = {
        {"UTF-8 with BOM", "\xEF\xBB\xBF" "Atenção → <x> <data_vencimento>\nfim"},
        {"UTF-16 LE", utf16(u"Atenção → <x> <data_vencimento>\r\nfim\r\n", false)},
        {"UTF-16 BE", utf16(u"Atenção → <x> <data_vencimento>\rfim", true)},
    };
    ReminderDocument{.id = 7, .due = "'20.03.2026'"}.addTo(*db);
    for (const auto& t : templates) {
        clock.advance(std::chrono::seconds(1));
        ReminderData::writeTemplate(outbox.emailFolder, t.bytes);
        writeReminderEmail(*db, clock, 7);
        EXPECT_EQ(bodyOf(7, formatDateTime(clock.now(), "yyyymmddhhmmss")), expected) << t.encoding;
    }

    const struct {
        const char* amount;
        const char* text;
    } amounts[] = {{"0.5", "0,50"}, {"1234567.891", "1.234.567,89"}, {"-12.345", "-12,35"}, {"null", "0,00"}};
    ReminderData::writeTemplate(outbox.emailFolder, "<valor_documento>");
    int document = 100;
    for (const auto& a : amounts) {
        ReminderDocument{.id = ++document, .amount = a.amount}.addTo(*db);
        writeReminderEmail(*db, clock, document);
        EXPECT_EQ(bodyOf(document, formatDateTime(clock.now(), "yyyymmddhhmmss")), std::string(a.text) + "\r\n") << a.amount;
    }
}

TEST_F(ReminderMessage, TheAddressDecidesWhetherAMessageIsWritten) {
    ReminderData::writeTemplate(outbox.emailFolder, "<documento_financeiro>");
    const struct {
        int debtor;
        std::optional<std::string> email;
        bool billing;
        const char* paraLine;  // nullptr: nothing written
    } cases[] = {
        {20, "Cobranca@hotel.com.br", true, nullptr},
        {21, "ok@hotel.com.br", false, nullptr},
        {22, "   ", true, nullptr},  // a message to nobody is no reminder
        {23, std::nullopt, true, nullptr},
        {24, "ab@cd.ef\r\n", true, "Para: ab@cd.ef  "},
    };
    for (const auto& c : cases) {
        db->execute("insert into cad_pessoa (id_pessoa, nm_pessoa) values (" + std::to_string(c.debtor) + ", 'P')");
        db->execute("insert into cad_contato_pessoa (id_pessoa, nm_e_mail, st_contato_cobranca) values (" +
                    std::to_string(c.debtor) + ", " + (c.email ? "'" + *c.email + "'" : std::string("null")) + ", " +
                    (c.billing ? "'S'" : "'N'") + ")");
        ReminderDocument{.id = c.debtor, .debtor = c.debtor}.addTo(*db);
    }
    // A document of a company without a billing contact, and one that is gone.
    db->execute("insert into cad_pessoa (id_pessoa, nm_pessoa) values (2, 'Outra empresa')");
    db->execute("update mov_financeiro set id_empresa = 2 where id_financeiro = 24");
    writeReminderEmail(*db, clock, 24);
    writeReminderEmail(*db, clock, 999);

    for (const auto& c : cases) {
        if (!c.paraLine) {
            writeReminderEmail(*db, clock, c.debtor);
        }
    }
    EXPECT_FALSE(fs::exists(outbox.folder())) << "no folder is made for a message that is not written";

    db->execute("update mov_financeiro set id_empresa = 1 where id_financeiro = 24");
    for (const auto& c : cases) {
        if (c.paraLine) {
            writeReminderEmail(*db, clock, c.debtor);
            const std::string control =
                readBytes(outbox.folder() / ("Aviso de Vencto - " + std::to_string(c.debtor) + " - 20260310080105.cfe"));
            EXPECT_EQ(control.substr(0, control.find("Assunto: ")),
                      "De: cobranca@aco.com.br\r\n" + std::string(c.paraLine) + "\r\n")
                << "debtor " << c.debtor;
        }
    }
}

// The first billing contact may have no address while a later one has: the later one gets the reminder.
TEST_F(ReminderMessage, TheFirstBillingContactWithAnAddressIsWrittenTo) {
    ReminderData::writeTemplate(outbox.emailFolder, "Prezado(a) <nome_contato_financeiro>");
    const std::pair<int, std::string> emptyFirst[] = {{30, "null"}, {31, "''"}, {32, "'  '"}};
    for (const auto& [debtor, empty] : emptyFirst) {
        const std::string id = std::to_string(debtor);
        db->execute("insert into cad_pessoa (id_pessoa, nm_pessoa) values (" + id + ", 'P')");
        db->execute("insert into cad_contato_pessoa (id_pessoa, nm_contato, nm_e_mail, st_contato_cobranca) values (" +
                    id + ", 'Sem Endereço', " + empty + ", 'S')");
        db->execute("insert into cad_contato_pessoa (id_pessoa, nm_contato, nm_e_mail, st_contato_cobranca) values (" +
                    id + ", 'Ana Lúcia', 'ana@cliente.com.br', 'S')");
        ReminderDocument{.id = debtor, .debtor = debtor}.addTo(*db);

        writeReminderEmail(*db, clock, debtor);

        const std::string stem = "Aviso de Vencto - " + id + " - 20260310080105";
        const std::string control = readBytes(outbox.folder() / (stem + ".cfe"));
        EXPECT_NE(control.find("\r\nPara: ana@cliente.com.br\r\n"), std::string::npos) << empty << "\n" << control;
        EXPECT_EQ(readBytes(outbox.monthFolder("2026-03") / (stem + ".txt")), "Prezado(a) Ana L\xFA""cia\r\n") << empty;
    }
}

TEST_F(ReminderMessage, AMissingTemplateWritesNothingAndTellsTheCaller) {
    ReminderDocument{.id = 5}.addTo(*db);
    try {
        writeReminderEmail(*db, clock, 5);
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("Email Aviso.txt"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(outbox.controlFiles().empty());
    EXPECT_TRUE(namesIn(outbox.monthFolder("2026-03")).empty());
}

TEST_F(ReminderMessage, AControlFileIsNeverWrittenWithoutItsBody) {
    ReminderDocument{.id = 5}.addTo(*db);
    ReminderData::writeTemplate(outbox.emailFolder, "corpo");
    fs::create_directories(outbox.monthFolder("2026-03").parent_path());
    std::ofstream(outbox.monthFolder("2026-03")) << "a file where the month folder belongs";

    EXPECT_THROW(writeReminderEmail(*db, clock, 5), std::runtime_error);
    EXPECT_EQ(namesIn(outbox.folder()), std::vector<std::string>{"Aviso de Vencimento"}) << "no control file, no "
                                                                                             "temporary file";
}

}  // namespace
}  // namespace velmora
