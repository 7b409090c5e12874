#include "subscribers/demodata.h"

#include "core/clock.h"
#include "core/datetext.h"
#include "subscribers/receipt.h"

#include <QHash>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <tuple>
#include <vector>

using namespace Qt::StringLiterals;

namespace quelmar::subscribers::demodata {

namespace {

// ---- What the office sells and how its subscribers stand -------------------------------------------------

enum Status
{
    Connected,
    Expired,
    Cut,
    ToReconnect,
    ToInstall,
    Cancelled,
    StatusCount
};

const QStringList& statusNames()
{
    static const QStringList names = {u"Conectado"_s,      u"Vencido"_s,      u"Cortado"_s,
                                      u"Por Reconectar"_s, u"Por Instalar"_s, u"Baja"_s};
    return names;
}

enum ServiceClass
{
    OneTwoSets,
    ThreeFourSets,
    Hotel,
    ClassCount
};

const QStringList& classNames()
{
    static const QStringList names = {u"1-2 TV"_s, u"3-4 TV"_s, u"Hotel"_s};
    return names;
}

struct Tariff
{
    QString name;
    QString key; // shown as "Varios"; "@" keeps the row off the payment form
    int price;
};

// In the order of the payment form: rents first, reconnections fifth and sixth among the offered rows.
const QList<Tariff>& tariffs()
{
    static const QList<Tariff> rows = {
        {u"Renta (1-2 TV)"_s, u"mensual"_s, 180},    {u"Renta (3-4 TV)"_s, u"mensual"_s, 250},
        {u"Cable adicional"_s, u"mensual"_s, 60},    {u"Cambio de domicilio"_s, u"unico"_s, 150},
        {u"Recargo por mora"_s, u"@ sin uso"_s, 50}, {u"Reconexión (1-2 TV)"_s, u"unico"_s, 120},
        {u"Reconexión (3-4 TV)"_s, u"unico"_s, 160}, {u"Instalación"_s, u"unico"_s, 450},
    };
    return rows;
}

enum TariffRow
{
    RentOneTwo = 0,
    RentThreeFour = 1,
    ExtraCable = 2,
    Move = 3,
    ReconnectOneTwo = 5,
    ReconnectThreeFour = 6,
    Installation = 7
};

const QStringList& expenseTypes()
{
    static const QStringList types = {u"Papelería"_s,
                                      u"Combustible"_s,
                                      u"Material de instalación"_s,
                                      u"Mantenimiento de vehículos"_s,
                                      u"Luz y teléfono"_s,
                                      u"Sueldos y honorarios"_s,
                                      u"Renta de postes"_s,
                                      u"Limpieza"_s};
    return types;
}

// ---- Names and places -------------------------------------------------------------------------------------

const QStringList& menNames()
{
    static const QStringList names = {
        u"José"_s,   u"Juan"_s,      u"Francisco"_s, u"Antonio"_s, u"Jesús"_s,   u"Pedro"_s,
        u"Miguel"_s, u"Alejandro"_s, u"Manuel"_s,    u"Roberto"_s, u"Ricardo"_s, u"Fernando"_s,
        u"Javier"_s, u"Raúl"_s,      u"Arturo"_s,    u"Enrique"_s, u"Sergio"_s,  u"Eduardo"_s,
        u"Jorge"_s,  u"Ramón"_s,     u"Héctor"_s,    u"Luis"_s,    u"Ángel"_s,   u"Martín"_s,
    };
    return names;
}

const QStringList& womenNames()
{
    static const QStringList names = {
        u"María"_s,    u"Guadalupe"_s, u"Ana"_s,     u"Rosa"_s,     u"Carmen"_s,  u"Leticia"_s,
        u"Patricia"_s, u"Verónica"_s,  u"Elena"_s,   u"Silvia"_s,   u"Teresa"_s,  u"Martha"_s,
        u"Lucía"_s,    u"Beatriz"_s,   u"Sofía"_s,   u"Gabriela"_s, u"Claudia"_s, u"Adriana"_s,
        u"Angélica"_s, u"Irma"_s,      u"Yolanda"_s, u"Alicia"_s,   u"Norma"_s,   u"Josefina"_s,
    };
    return names;
}

const QStringList& surnames()
{
    static const QStringList names = {
        u"Hernández"_s, u"García"_s,     u"Martínez"_s,  u"López"_s,      u"González"_s,  u"Pérez"_s,
        u"Rodríguez"_s, u"Sánchez"_s,    u"Ramírez"_s,   u"Cruz"_s,       u"Flores"_s,    u"Gómez"_s,
        u"Morales"_s,   u"Vázquez"_s,    u"Reyes"_s,     u"Jiménez"_s,    u"Torres"_s,    u"Díaz"_s,
        u"Gutiérrez"_s, u"Ruiz"_s,       u"Mendoza"_s,   u"Aguilar"_s,    u"Ortiz"_s,     u"Moreno"_s,
        u"Castillo"_s,  u"Romero"_s,     u"Álvarez"_s,   u"Méndez"_s,     u"Chávez"_s,    u"Rivera"_s,
        u"Juárez"_s,    u"Ramos"_s,      u"Domínguez"_s, u"Herrera"_s,    u"Medina"_s,    u"Castro"_s,
        u"Vargas"_s,    u"Guzmán"_s,     u"Velázquez"_s, u"Muñoz"_s,      u"Rojas"_s,     u"Salazar"_s,
        u"Contreras"_s, u"Luna"_s,       u"Ortega"_s,    u"Núñez"_s,      u"Delgado"_s,   u"Ibarra"_s,
        u"Peña"_s,      u"Cervantes"_s,  u"Zúñiga"_s,    u"Villanueva"_s, u"Ochoa"_s,     u"Cabrera"_s,
        u"O'Farrill"_s, u"De la Rosa"_s, u"Del Ángel"_s, u"Campos"_s,     u"Maldonado"_s, u"Valdez"_s,
    };
    return names;
}

const QStringList& hotelNames()
{
    static const QStringList names = {
        u"Hotel Las Palmas"_s,    u"Hotel del Valle"_s,   u"Hotel Posada Real"_s,  u"Hotel Misión"_s,
        u"Hotel San Francisco"_s, u"Motel El Parador"_s,  u"Hotel Plaza Juárez"_s, u"Hotel Colonial"_s,
        u"Hotel Los Arcos"_s,     u"Hotel Bugambilias"_s, u"Posada del Sol"_s,     u"Hotel Santa Fe"_s,
    };
    return names;
}

const QStringList& streets()
{
    static const QStringList names = {
        u"Av. Juárez"_s,
        u"Av. Hidalgo"_s,
        u"Morelos"_s,
        u"Allende"_s,
        u"Aldama"_s,
        u"Av. Reforma"_s,
        u"Guerrero"_s,
        u"Zaragoza"_s,
        u"Madero"_s,
        u"5 de Mayo"_s,
        u"16 de Septiembre"_s,
        u"Independencia"_s,
        u"Abasolo"_s,
        u"Matamoros"_s,
        u"Galeana"_s,
        u"Niños Héroes"_s,
        u"Av. Revolución"_s,
        u"Pino Suárez"_s,
        u"Iturbide"_s,
        u"Degollado"_s,
        u"Ocampo"_s,
        u"Victoria"_s,
        u"Bravo"_s,
        u"Av. de los Maestros"_s,
        u"Calle de las Rosas"_s,
        u"Calle del Olivo"_s,
        u"Privada Los Pinos"_s,
        u"Camino Real"_s,
        u"Prolongación Colón"_s,
        u"Cerrada del Río"_s,
    };
    return names;
}

struct District
{
    QString name;
    QString zone;
};

const QList<District>& districts()
{
    static const QList<District> list = {
        {u"Centro"_s, u"Centro"_s},
        {u"San Miguel"_s, u"Norte"_s},
        {u"Las Flores"_s, u"Norte"_s},
        {u"Jardines del Valle"_s, u"Oriente"_s},
        {u"El Mirador"_s, u"Poniente"_s},
        {u"Santa Cruz"_s, u"Sur"_s},
        {u"La Loma"_s, u"Poniente"_s},
        {u"Guadalupe"_s, u"Oriente"_s},
        {u"Reforma"_s, u"Centro"_s},
        {u"Los Pinos"_s, u"Norte"_s},
        {u"Obrera"_s, u"Sur"_s},
        {u"San José"_s, u"Sur"_s},
        {u"Benito Juárez"_s, u"Oriente"_s},
        {u"Del Río"_s, u"Poniente"_s},
    };
    return list;
}

const QStringList& subscriberNotes()
{
    static const QStringList notes = {
        u"Casa de dos pisos, portón verde"_s,     u"Paga los días 5"_s,
        u"Tocar fuerte, timbre descompuesto"_s,   u"Tiene perro bravo"_s,
        u"Departamento 3, segundo piso"_s,        u"Acometida por el patio trasero"_s,
        u"Prefiere que le llamen por la tarde"_s, u"Local comercial, abre a las 10"_s,
    };
    return notes;
}

struct Complaint
{
    QString description;
    QString cause;
    QString solution;
};

const QList<Complaint>& complaintKinds()
{
    static const QList<Complaint> kinds = {
        {u"Sin señal en todos los canales"_s, u"Cable cortado en el poste"_s,
         u"Se cambió el tramo de cable"_s},
        {u"Imagen con lluvia"_s, u"Conector flojo"_s, u"Se cambió el conector"_s},
        {u"No se ven los canales altos"_s, u"Divisor dañado"_s, u"Se cambió el divisor"_s},
        {u"Sonido con ruido"_s, u"Humedad en la acometida"_s, u"Se selló la acometida"_s},
        {u"Se va la señal por las noches"_s, u"Amplificador de línea fallando"_s,
         u"Se reemplazó el amplificador"_s},
        {u"Canal 5 sin audio"_s, u"Falla en la cabecera"_s, u"Se ajustó el modulador"_s},
        {u"Cable caído en la banqueta"_s, u"Viento"_s, u"Se tensó y se fijó el cable"_s},
        {u"Televisor de la recámara sin señal"_s, u"Extensión del cliente dañada"_s,
         u"Se hizo nueva extensión"_s},
    };
    return kinds;
}

struct ExpenseKind
{
    QString type;
    QString description;
    int lowest;
    int highest;
};

const QList<ExpenseKind>& expenseKinds()
{
    static const QList<ExpenseKind> kinds = {
        {u"Papelería"_s, u"Rollos para impresora de recibos"_s, 80, 350},
        {u"Papelería"_s, u"Hojas y sobres"_s, 50, 400},
        {u"Combustible"_s, u"Gasolina camioneta de instalaciones"_s, 300, 1200},
        {u"Combustible"_s, u"Gasolina motocicleta de cobranza"_s, 100, 400},
        {u"Material de instalación"_s, u"Cable coaxial RG-6, 100 m"_s, 600, 1500},
        {u"Material de instalación"_s, u"Conectores y divisores"_s, 150, 700},
        {u"Mantenimiento de vehículos"_s, u"Cambio de aceite"_s, 350, 900},
        {u"Mantenimiento de vehículos"_s, u"Llantas"_s, 1200, 4000},
        {u"Luz y teléfono"_s, u"Recibo de luz de la oficina"_s, 600, 2200},
        {u"Luz y teléfono"_s, u"Teléfono de la oficina"_s, 350, 700},
        {u"Sueldos y honorarios"_s, u"Ayudante de instalación, semana"_s, 900, 1800},
        {u"Renta de postes"_s, u"Renta bimestral de postes"_s, 1500, 5000},
        {u"Limpieza"_s, u"Artículos de limpieza"_s, 60, 300},
    };
    return kinds;
}

// ---- Deterministic chance ---------------------------------------------------------------------------------

class Dice
{
public:
    explicit Dice(quint32 seed) : m_random(seed) {}

    // A whole number from low to high, both included.
    int between(int low, int high)
    {
        if (high <= low)
            return low;
        return int(m_random.bounded(low, high + 1));
    }
    bool chance(double probability) { return m_random.generateDouble() < probability; }
    template <typename T> T pick(const QList<T>& list) { return list.at(between(0, int(list.size()) - 1)); }
    // An index chosen with the given weights.
    int weighted(std::initializer_list<int> weights)
    {
        int total = 0;
        for (int w : weights)
            total += w;
        int roll = between(0, total - 1);
        int index = 0;
        for (int w : weights) {
            if (roll < w)
                return index;
            roll -= w;
            ++index;
        }
        return index - 1;
    }

private:
    QRandomGenerator m_random;
};

// ---- Dates ------------------------------------------------------------------------------------------------

// The office's expiry arithmetic: same day, months later; a day past the month's end rolls into the next.
QDate addMonths(const QDate& date, int months)
{
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    const int monthIndex = year * 12 + (month - 1) + months;
    return QDate(monthIndex / 12, monthIndex % 12 + 1, 1).addDays(day - 1);
}

QDate earlier(const QDate& a, const QDate& b)
{
    return a < b ? a : b;
}

qint32 julian(const QDate& date)
{
    return qint32(date.toJulianDay());
}

// ---- The generator ----------------------------------------------------------------------------------------

// One visit to the counter: one ticket, a rent row when months > 0, and the extra concepts of `extras`.
struct Visit
{
    qint32 day;         // Julian day of the payment
    qint32 subscriber;  // Clave
    qint32 periodStart; // Julian day the rent period starts; 0: not installed yet ("por instalar")
    quint8 months;
    quint8 extras;
};

enum Extra : quint8
{
    WithReconnection = 1,
    WithExtraCable = 2,
    WithMove = 4,
    WithInstallation = 8
};

struct Account
{
    quint8 serviceClass;
    quint8 units;
    quint8 status;
    qint64 installed; // Julian day; 0 when not installed
    QString name;     // as the receipts print it
    qint32 contract;
};

constexpr qint64 FirstTicket = 1001;
const QDate NotInstalled(1990, 1, 1);

class Generator
{
public:
    Generator(const Settings& settings, RowSink& sink)
        : m_sink(sink), m_dice(settings.seed),
          m_today(settings.today.isValid() ? settings.today : Clock::today()),
          m_windowStart(addMonths(m_today, -std::max(1, settings.historyMonths))),
          m_count(settings.subscribers), m_receiptHeading(settings.receiptHeading),
          m_receiptClosing(settings.receiptClosing)
    {}

    Result run()
    {
        m_accounts.reserve(size_t(std::max(0, m_count)));
        for (int key = 1; key <= m_count && m_ok; ++key)
            subscriber(key);
        const qint64 lastTicket = payments();
        technicians();
        complaints();
        expenses();
        parameters(lastTicket);
        return {m_ok, lastTicket};
    }

private:
    bool emitRow(Table table, const QVariantList& values)
    {
        if (m_ok)
            m_ok = m_sink.add(table, values);
        return m_ok;
    }

    QString personName()
    {
        const QStringList& given = m_dice.chance(0.5) ? menNames() : womenNames();
        QString name = m_dice.pick(given);
        if (m_dice.chance(0.2))
            name += u' ' + m_dice.pick(given);
        const QString father =
            m_dice.pick(surnames()); // one draw per statement keeps the seed's data the same
        const QString mother = m_dice.pick(surnames()); // whatever order a compiler evaluates operands in
        return name + u' ' + father + u' ' + mother;
    }

    QVariant phone()
    {
        if (m_dice.chance(0.1))
            return {};
        return u"555-%1-%2"_s.arg(m_dice.between(10, 99)).arg(m_dice.between(10, 99));
    }

    int pickStatus(int key)
    {
        if (key <= StatusCount) // every status shows even in a tiny office
            return key - 1;
        return m_dice.weighted({60, 12, 9, 4, 6, 9});
    }

    int pickClass(int key)
    {
        if (key <= ClassCount)
            return key - 1;
        return m_dice.weighted({55, 38, 7});
    }

    int pickMonths(int serviceClass)
    {
        if (serviceClass == Hotel)
            return m_dice.chance(0.9) ? 1 : 2;
        static const int months[] = {1, 2, 3, 6, 12};
        return months[m_dice.weighted({80, 12, 5, 2, 1})];
    }

    // The expiry range each status keeps: Connected around today and ahead, the others behind.
    std::pair<QDate, QDate> expiryRange(int status)
    {
        switch (status) {
        case Connected:
            if (m_dice.chance(0.85))
                return {m_today.addDays(-3), m_today.addDays(32)};
            return {m_today.addDays(33), m_today.addDays(120)};
        case Expired:
            return {m_today.addDays(-45), m_today.addDays(-4)};
        case Cut:
            return {m_today.addDays(-150), m_today.addDays(-35)};
        case ToReconnect:
            return {m_today.addDays(-150), m_today.addDays(-40)};
        default: { // Cancelled
            const qint64 back = std::max<qint64>(120, m_windowStart.daysTo(m_today) * 2 / 3);
            return {m_today.addDays(-back), m_today.addDays(-90)};
        }
        }
    }

    // Installed well before `latest`, on a day of the month that exists in every month.
    QDate installationDay(const QDate& latest)
    {
        QDate day;
        if (m_dice.chance(0.65))
            day = m_windowStart.addDays(-m_dice.between(1, 4 * 365));
        else
            day = m_windowStart.addDays(m_dice.between(0, int(m_windowStart.daysTo(m_today))));
        if (day > latest)
            day = latest.addDays(-m_dice.between(0, 200));
        return QDate(day.year(), day.month(), std::min(day.day(), 28));
    }

    // The first monthly anniversary of the installation on or after `from` (at least one month in).
    static int anniversaryOnOrAfter(const QDate& installed, const QDate& from)
    {
        int k = std::max(1, (from.year() - installed.year()) * 12 + from.month() - installed.month() - 1);
        while (addMonths(installed, k) < from)
            ++k;
        return k;
    }

    void historyRow(int key, const QVariant& previous, const QDate& day, const QString& by,
                    const QString& note, const QString& serviceClass, const QVariant& units,
                    const QDate& expiry)
    {
        emitRow(Table::StatusHistory, {key, previous, day, by, note, serviceClass, units, expiry});
    }

    void subscriber(int key)
    {
        const int status = pickStatus(key);
        const int serviceClass = pickClass(key);
        const int units = serviceClass == Hotel           ? m_dice.between(5, 40)
                          : serviceClass == ThreeFourSets ? m_dice.between(3, 4)
                                                          : m_dice.between(1, 2);
        const QString className = classNames().at(serviceClass);
        const District& district = m_dice.pick(districts());
        const QString name = serviceClass == Hotel ? m_dice.pick(hotelNames()) : personName();
        QString street = m_dice.pick(streets());
        street += u' ' + QString::number(m_dice.between(1, 1500));
        if (m_dice.chance(0.08))
            street += u" Int. "_s + QString::number(m_dice.between(1, 12));
        const QString pole = district.zone.left(1) + u'-' + QString::number(m_dice.between(1, 400));
        m_contract += m_dice.between(1, 3);

        QDate installed;
        QDate expiry = NotInstalled;
        if (status != ToInstall) {
            const auto [low, high] = expiryRange(status);
            installed = installationDay(earlier(low.addDays(-35), m_today.addDays(-30)));
            const int k = anniversaryOnOrAfter(installed, low);
            expiry = addMonths(installed, k);
            story(key, status, serviceClass, units, installed, k);
            if (status == ToReconnect)
                expiry = reconnection(key, serviceClass, expiry);
        } else {
            notInstalledYet(key, className, units);
        }

        m_accounts.push_back({quint8(serviceClass), quint8(units), quint8(status),
                              installed.isValid() ? installed.toJulianDay() : 0, name, qint32(m_contract)});

        QString notes;
        if (m_dice.chance(0.3))
            notes = m_dice.pick(subscriberNotes());
        if ((status == Connected || status == Expired) && m_dice.chance(0.04))
            notes += u"  Aviso="_s + (m_dice.chance(0.8) ? u"2"_s : u"3"_s);
        if (key == 1) // the first subscriber always has a notice waiting
            notes += u"  Aviso=2"_s;

        emitRow(Table::Subscribers,
                {key, name, m_contract, className, units, statusNames().at(status),
                 installed.isValid() ? QVariant(installed) : QVariant(), pole, expiry, street, district.name,
                 phone(), notes.isEmpty() ? QVariant() : QVariant(notes), district.zone,
                 m_dice.chance(0.03)});
    }

    void notInstalledYet(int key, const QString& className, int units)
    {
        const QDate signedOn = m_today.addDays(-m_dice.between(1, 45));
        historyRow(key, {}, signedOn, {}, u"Por Instalar-Contrato nuevo"_s, className, units, NotInstalled);
        if (m_dice.chance(0.6)) // installation and first month paid in advance
            m_visits.push_back({julian(signedOn), key, 0, 1, WithInstallation});
    }

    // The paid months from the installation (or the start of the history) up to the k-th anniversary,
    // and the status changes behind the subscriber's present status.
    void story(int key, int status, int serviceClass, int units, const QDate& installed, int lastK)
    {
        const QString className = classNames().at(serviceClass);
        historyRow(key, u"Por Instalar"_s, installed, {}, u"Conectado-Instalado"_s, className, units,
                   NotInstalled);

        const int firstK = installed >= m_windowStart ? 0 : anniversaryOnOrAfter(installed, m_windowStart);
        bool withEpisode =
            status == Connected && m_dice.chance(0.12); // one late payment, cut and reconnection
        int k = lastK;
        bool latest = true;
        while (k > firstK) {
            int months = std::min(pickMonths(serviceClass), k - firstK);
            while (latest && k - months > firstK && addMonths(installed, k - months) > m_today.addDays(5))
                ++months;
            const bool episode = withEpisode && !latest && k - firstK >= 2 && m_dice.chance(0.25);
            if (episode) {
                months = std::max(months, 2);
                withEpisode = false;
            }
            const QDate start = addMonths(installed, k - months);
            quint8 extras = 0;
            if (k - months == 0)
                extras |= WithInstallation;
            if (m_dice.chance(0.04))
                extras |= WithExtraCable;
            if (m_dice.chance(0.01))
                extras |= WithMove;
            QDate paid = start.addDays(m_dice.between(-6, 4));
            if (extras & WithInstallation)
                paid = installed.addDays(-m_dice.between(0, 7));
            if (episode) {
                paid = start.addDays(m_dice.between(18, 26));
                extras |= WithReconnection;
                cutAndReconnect(key, className, units, start, paid, addMonths(start, months));
            }
            m_visits.push_back({julian(earlier(paid, m_today)), key, julian(start), quint8(months), extras});
            k -= months;
            latest = false;
        }

        if (status == Connected || status == ToInstall)
            return;
        const QDate expiry = addMonths(installed, lastK);
        const QDate expiredOn = expiry.addDays(m_dice.between(1, 3));
        historyRow(key, u"Conectado"_s, expiredOn, {},
                   u"Vencido-"_s +
                       m_dice.pick(QStringList{QString(), u"Sin pago"_s, u"Aviso en domicilio"_s}),
                   className, units, expiry);
        if (status == Expired)
            return;
        m_cutDay = expiry.addDays(m_dice.between(10, 30));
        historyRow(key, u"Vencido"_s, m_cutDay, {},
                   u"Cortado-"_s +
                       m_dice.pick(QStringList{u"Orden de corte"_s, u"Falta de pago"_s, u"Corte en poste"_s}),
                   className, units, expiry);
        if (status == Cancelled) {
            const QDate cancelledOn = earlier(m_cutDay.addDays(m_dice.between(15, 60)), m_today.addDays(-1));
            historyRow(key, u"Cortado"_s, cancelledOn, {},
                       u"Baja-"_s +
                           m_dice.pick(QStringList{u"Cambio de ciudad"_s, u"Falta de pago"_s,
                                                   u"Ya no desea el servicio"_s, u"Casa deshabitada"_s}),
                       className, units, expiry);
        }
    }

    // A connected subscriber who once paid late: expired, cut, paid with reconnection, reconnected.
    void cutAndReconnect(int key, const QString& className, int units, const QDate& expiry, const QDate& paid,
                         const QDate& newExpiry)
    {
        historyRow(key, u"Conectado"_s, expiry.addDays(m_dice.between(2, 4)), {}, u"Vencido-"_s, className,
                   units, expiry);
        historyRow(key, u"Vencido"_s, expiry.addDays(m_dice.between(8, 14)), {}, u"Cortado-Orden de corte"_s,
                   className, units, expiry);
        historyRow(key, u"Por Reconectar"_s, paid.addDays(m_dice.between(1, 3)), {},
                   u"Conectado-Reconectado"_s, className, units, newExpiry);
    }

    // The cut subscriber who has just paid rent and reconnection, perhaps with the cut days bonified.
    QDate reconnection(int key, int serviceClass, const QDate& expiry)
    {
        const QDate paid = std::max(m_today.addDays(-m_dice.between(0, 8)), m_cutDay.addDays(2));
        const int cutDays = int(m_cutDay.daysTo(paid));
        QDate start = expiry;
        if (cutDays > 3 && m_dice.chance(0.6)) {
            start = expiry.addDays(cutDays);
            historyRow(key, u"Cortado"_s, paid, u"Automatico"_s, u"%1 Dias Bonificados"_s.arg(cutDays),
                       u"Bonifica"_s, {}, start);
        }
        const int months = serviceClass == Hotel ? 1 : m_dice.between(1, 2);
        m_visits.push_back({julian(paid), key, julian(start), quint8(months), WithReconnection});
        return addMonths(start, months);
    }

    // Every visit becomes one ticket, in the order the visits happened.
    qint64 payments()
    {
        std::sort(m_visits.begin(), m_visits.end(), [](const Visit& a, const Visit& b) {
            return std::tie(a.day, a.subscriber, a.periodStart) <
                   std::tie(b.day, b.subscriber, b.periodStart);
        });
        qint64 ticket = FirstTicket - 1;
        for (const Visit& visit : m_visits) {
            if (!m_ok)
                break;
            ++ticket;
            paymentRows(visit, ticket);
        }
        return ticket;
    }

    void paymentRow(const Visit& visit, double amount, const QString& conceptName, const QString& note,
                    qint64 ticket, QList<PaymentRow>& paid)
    {
        emitRow(Table::Payments, {visit.subscriber, QDate::fromJulianDay(visit.day), amount, conceptName,
                                  note, ticket, false});
        paid.append({conceptName, amount, note});
    }

    // The receipt the counter printed for the visit, kept with its payment as the payment form keeps it. The
    // time of day follows from the ticket, so that the dice, and with them the rest of the office, stay as
    // they were.
    void receipt(const Visit& visit, qint64 ticket, const QList<PaymentRow>& paid)
    {
        const Account& account = m_accounts.at(size_t(visit.subscriber - 1));
        ReceiptContent content;
        content.heading = m_receiptHeading;
        content.closing = m_receiptClosing;
        content.ticket = ticket;
        content.when = QDateTime(QDate::fromJulianDay(visit.day),
                                 QTime(9, 0).addSecs(60 * int((ticket * 37) % (10 * 60))));
        content.name = account.name;
        content.contract = QString::number(account.contract);
        addPayments(content, paid);
        emitRow(Table::Receipts,
                {ticket, visit.subscriber, content.when, receiptText(receiptLines(content))});
    }

    // "2 Mes  15-Ene-2026 a 15-Mar-2026", as the payment form writes it. Many subscribers pay the same
    // period, so the texts are kept.
    const QString& rentNote(const Visit& visit)
    {
        const qint64 key = qint64(visit.periodStart) * 256 + visit.months;
        auto found = m_rentNotes.constFind(key);
        if (found != m_rentNotes.constEnd())
            return *found;
        QString period = u" por instalar"_s;
        if (visit.periodStart != 0) {
            const QDate start = QDate::fromJulianDay(visit.periodStart);
            period = u' ' + datetext::dayMonthYear(start) + u" a "_s +
                     datetext::dayMonthYear(addMonths(start, visit.months));
        }
        return *m_rentNotes.insert(key, (QString::number(visit.months) + u" Mes "_s + period).left(34));
    }

    void paymentRows(const Visit& visit, qint64 ticket)
    {
        const Account& account = m_accounts.at(size_t(visit.subscriber - 1));
        const bool threeFour = account.serviceClass == ThreeFourSets;
        QList<PaymentRow> paid;
        if (visit.months > 0) {
            const Tariff& rent = tariffs().at(threeFour ? RentThreeFour : RentOneTwo);
            const int price = account.serviceClass == Hotel ? rent.price * account.units : rent.price;
            paymentRow(visit, double(price) * visit.months, rent.name, rentNote(visit), ticket, paid);
        }
        const auto extra = [&](quint8 flag, int row) {
            if (visit.extras & flag)
                paymentRow(visit, tariffs().at(row).price, tariffs().at(row).name, QString(), ticket, paid);
        };
        extra(WithExtraCable, ExtraCable);
        extra(WithMove, Move);
        extra(WithReconnection, threeFour ? ReconnectThreeFour : ReconnectOneTwo);
        extra(WithInstallation, Installation);
        receipt(visit, ticket, paid);
    }

    // Two crews: each chief names none, each technician names the chief of the crew.
    void technicians()
    {
        struct Technician
        {
            QString name;
            QString phone;
            QString zone;
            int chief; // 0: none
        };
        static const Technician crews[] = {
            {u"Jorge Ramírez Soto"_s, u"555-0101"_s, u"Centro"_s, 0},
            {u"Luis Hernández Cruz"_s, u"555-0102"_s, u"Norte"_s, 1},
            {u"Arturo Vega Morales"_s, u"555-0103"_s, u"Sur"_s, 1},
            {u"Raúl Domínguez Ortiz"_s, u"555-0104"_s, u"Oriente"_s, 0},
            {u"Héctor Salinas Ríos"_s, u"555-0105"_s, u"Poniente"_s, 4},
        };
        int key = 0;
        for (const Technician& technician : crews)
            emitRow(Table::Technicians, {++key, technician.name, technician.phone, technician.zone,
                                         technician.chief > 0 ? QVariant(technician.chief) : QVariant()});
        m_technicians = key;
    }

    void complaints()
    {
        struct Row
        {
            QDate received;
            int subscriber;
            int kind;
            QDate solved; // invalid while pending
        };
        std::vector<Row> rows;
        const int count = m_count / 6 + 1;
        for (int i = 0; i < count && m_count > 0; ++i) {
            const int key = m_dice.between(1, m_count);
            const Account& account = m_accounts.at(size_t(key - 1));
            if (account.installed == 0)
                continue;
            const bool pending = i < 3 || m_dice.chance(0.15);
            const qint64 from = std::max(account.installed, m_windowStart.toJulianDay());
            const qint64 to = m_today.toJulianDay();
            QDate received =
                QDate::fromJulianDay(pending ? to - m_dice.between(0, 20)
                                             : from + m_dice.between(0, int(std::max<qint64>(0, to - from))));
            if (received.toJulianDay() < from)
                received = QDate::fromJulianDay(from);
            const QDate solved = pending ? QDate() : earlier(received.addDays(m_dice.between(0, 4)), m_today);
            rows.push_back({received, key, m_dice.between(0, int(complaintKinds().size()) - 1), solved});
        }
        std::stable_sort(rows.begin(), rows.end(),
                         [](const Row& a, const Row& b) { return a.received < b.received; });
        int clave = 0;
        for (const Row& row : rows) {
            const Complaint& kind = complaintKinds().at(row.kind);
            const bool solved = row.solved.isValid();
            emitRow(Table::Complaints, {row.subscriber, kind.description, row.received,
                                        solved ? QVariant(kind.cause) : QVariant(),
                                        solved ? QVariant(kind.solution) : QVariant(),
                                        solved ? QVariant(row.solved) : QVariant(), ++clave,
                                        solved ? QVariant(1 + (clave - 1) % m_technicians) : QVariant()});
        }
    }

    // Petty-cash expenses month by month; each month but the last two is reimbursed by one cheque.
    void expenses()
    {
        int cheque = 4100;
        for (QDate month(m_windowStart.year(), m_windowStart.month(), 1); month <= m_today && m_ok;
             month = month.addMonths(1)) {
            const bool reimbursed = month.addMonths(2) <= QDate(m_today.year(), m_today.month(), 1);
            ++cheque;
            const int count = m_dice.between(8, 16);
            std::vector<QDate> days;
            for (int i = 0; i < count; ++i)
                days.push_back(month.addDays(m_dice.between(0, month.daysInMonth() - 1)));
            std::sort(days.begin(), days.end());
            for (const QDate& day : days) {
                if (day > m_today)
                    break;
                const ExpenseKind& kind = m_dice.pick(expenseKinds());
                double amount = m_dice.between(kind.lowest, kind.highest);
                if (m_dice.chance(0.5))
                    amount += m_dice.between(1, 99) / 100.0;
                const QString voucher = m_dice.chance(0.6) ? u"Fact. A-%1"_s.arg(m_dice.between(1000, 9999))
                                                           : u"Nota %1"_s.arg(m_dice.between(1, 999));
                const QVariant type = m_dice.chance(0.05) ? QVariant() : QVariant(kind.type);
                const QVariant paidBy =
                    reimbursed && m_dice.chance(0.9) ? QVariant(QString::number(cheque)) : QVariant();
                emitRow(Table::Expenses, {type, kind.description, amount, voucher, day, paidBy});
            }
        }
    }

    void parameter(const QString& parameterClass, int sequence, const QVariant& name, const QVariant& key,
                   const QVariant& content)
    {
        emitRow(Table::Parameters, {parameterClass, sequence, name, key, content});
    }

    void classifier(const QString& parameterClass, const QString& title, const QStringList& values,
                    bool hidden = false)
    {
        parameter(parameterClass, 0, title, u"@"_s, hidden ? QVariant(u"x"_s) : QVariant());
        int sequence = 0;
        for (const QString& value : values)
            parameter(parameterClass, ++sequence, value, {}, {});
    }

    void parameters(qint64 lastTicket)
    {
        int sequence = 0;
        for (const Tariff& tariff : tariffs())
            parameter(u"P"_s, ++sequence, tariff.name, tariff.key, QString::number(tariff.price));
        parameter(u"CDT"_s, 1, u"Contador de Tickets"_s, {}, QString::number(lastTicket));
        parameter(u"DV"_s, 1, u"Días de vencimiento"_s, {}, u"5"_s);
        parameter(u"DOC"_s, 1, u"Ordenes de trabajo"_s, {}, u"157"_s);
        parameter(u"DOC"_s, 2, u"Reposiciones de caja"_s, {}, u"43"_s);
        parameter(u"CONS"_s, 1, u"IVA"_s, {}, u"16"_s);
        parameter(u"CONS"_s, 2, u"Días de gracia"_s, {}, u"5"_s);
        parameter(u"CONS"_s, 3, u"Meses de anticipo"_s, {}, u"12"_s);
        parameter(u"LA"_s, 1, u"Cajero"_s, u"2"_s, u"caja"_s);
        parameter(u"LA"_s, 2, u"Gerente"_s, u"3"_s, u"gerencia"_s);
        classifier(u"!CSit"_s, u"Situación del suscriptor"_s, statusNames());
        classifier(u"!CCla"_s, u"Clase de servicio"_s, classNames());
        classifier(u"!CGas"_s, u"Tipo de gasto"_s, expenseTypes());
        classifier(u"!CZon"_s, u"Zonas de reparto"_s,
                   {u"Centro"_s, u"Norte"_s, u"Sur"_s, u"Oriente"_s, u"Poniente"_s}, true);
    }

    RowSink& m_sink;
    Dice m_dice;
    const QDate m_today;
    const QDate m_windowStart;
    const int m_count;
    const QStringList m_receiptHeading;
    const QString m_receiptClosing;
    int m_contract = 100;
    int m_technicians = 1;
    QDate m_cutDay; // of the subscriber being made
    std::vector<Account> m_accounts;
    std::vector<Visit> m_visits;
    QHash<qint64, QString> m_rentNotes;
    bool m_ok = true;
};

} // namespace

QString tableName(Table table)
{
    switch (table) {
    case Table::Subscribers:
        return u"Suscriptores"_s;
    case Table::Payments:
        return u"Pagos"_s;
    case Table::StatusHistory:
        return u"Situación"_s;
    case Table::Complaints:
        return u"Quejas"_s;
    case Table::Expenses:
        return u"Gastos"_s;
    case Table::Parameters:
        return u"Parametros"_s;
    case Table::Technicians:
        return u"Técnicos"_s;
    case Table::Receipts:
        return u"Recibos"_s;
    }
    return {};
}

QStringList fieldNames(Table table)
{
    switch (table) {
    case Table::Subscribers:
        return {u"Clave"_s,     u"Nombre"_s,      u"Contrato"_s,      u"Clase"_s,       u"Unidades"_s,
                u"Situación"_s, u"Instalación"_s, u"Poste"_s,         u"Vencimiento"_s, u"Calle"_s,
                u"Colonia"_s,   u"Teléfono"_s,    u"Observaciones"_s, u"Zona"_s,        u"Marca"_s};
    case Table::Payments:
        return {u"Suscriptor"_s,    u"Fecha"_s,  u"Cantidad"_s, u"Concepto"_s,
                u"Observaciones"_s, u"Ticket"_s, u"Marca"_s};
    case Table::StatusHistory:
        return {u"Suscriptor"_s, u"Situación Anterior"_s, u"Fecha"_s,      u"Cambiado por"_s, u"Nota"_s,
                u"Clase"_s,      u"Unidades"_s,           u"Vencimiento"_s};
    case Table::Complaints:
        return {u"Cliente"_s,  u"Descripción"_s, u"Recibida"_s, u"Origen"_s,
                u"Solución"_s, u"Fecha"_s,       u"Clave"_s,    u"Técnico"_s};
    case Table::Expenses:
        return {u"Tipo"_s, u"Descripción"_s, u"Monto"_s, u"Comprobante"_s, u"Fecha"_s, u"Cheque"_s};
    case Table::Parameters:
        return {u"Clase"_s, u"Secuen"_s, u"Nombre"_s, u"Clave"_s, u"Contenido"_s};
    case Table::Technicians:
        return {u"Clave"_s, u"Nombre"_s, u"Teléfono"_s, u"Zona"_s, u"Jefe"_s};
    case Table::Receipts:
        return {u"Ticket"_s, u"Suscriptor"_s, u"Fecha"_s, u"Texto"_s};
    }
    return {};
}

int monthsForPaymentsPerSubscriber(double paymentsPerSubscriber)
{
    // Measured on this generator: about 0.57 payment rows per subscriber for each month of history.
    constexpr double RowsPerMonth = 0.57;
    return std::clamp(int(std::lround(paymentsPerSubscriber / RowsPerMonth)), 1, 1200);
}

Result generate(const Settings& settings, RowSink& sink)
{
    return Generator(settings, sink).run();
}

} // namespace quelmar::subscribers::demodata
