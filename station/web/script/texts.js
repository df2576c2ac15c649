// The page's script: the live meter from the server's event stream, the
// chart of power and SWR (live half-second slots, or the log's history for
// longer ranges), the settings sent as commands, today's transmission log,
// today's QSOs with what the meter measured for them, and the transceiver,
// SWR alarm and bands card from the status. It is written in parts, one
// file each, that share one scope: embed.cmake joins them, in the order
// station/CMakeLists.txt lists them, into the page's one inline script and
// drops the comment lines and the indentation; so every comment here stands
// on a line of its own, and no string or template spans lines.
// This part, the first: the page's texts in each language, and the choice.
"use strict";

// ---- Texts ---------------------------------------------------------------

const TEXTS = {
  ru: {
    values: "Показания", power: "Мощность", swr: "КСВ", forward: "Прямая ", reflected: "Отражённая",
    sensor: "Включеный датчик", pep: "Пик мощности (2 с)", nodata: "Нет данных: показания не приходят",
    last: "Последнее показание:", powerw: "Мощность, Вт", settings: "Настройки",
    select: "Выбор датчика", maxpower: "Максимальная мощность", maxswr: "Максимальное КСВ", blocking: "Блокировка",
    on: "Вкл.", off: "Выкл.", set: "Установить", s: "Датчик", on1: "подключено", off1: "Устройство неподключено",
    sent: "Отправлено:", locked: "Настройки доступны по ссылке с ключом доступа, которую выводит swrctl serve.",
    ro: "Сервер запущен только для чтения (--read-only).", watt: "Ватт", fail: "Ошибка:", net: "нет связи с сервером",
    c600: "Последние 10 минут", c3600: "Последний час", c86400: "Последние 24 часа", c604800: "Последние 7 дней",
    r600: "10 мин", r3600: "1 ч", r86400: "24 ч", r604800: "7 дней", log: "Журнал передач", today: "Сегодня:",
    tx: ["передача", "передачи", "передач"], onair: "в эфире",
    ttime: "Время", tdur: "Длит.", tsensor: "Датч.", tband: "Диап.",
    tpeak: "Пик, Вт", tavg: "Сред., Вт", tswr: "КСВ, макс.", none: "Сегодня передач не было.",
    logoff: "Журнал выключен: сервер не записывает передачи (нет журнала или --no-log).",
    csv: "Скачать CSV за сегодня", more: "Показать ещё",
    cut: "* оборвана: устройство отключено или показания прекратились",
    paused: "Запись журнала приостановлена.", lost: "Не записано в журнал:", sec: "с", min: "мин", hour: "ч",
    ack: "Подтвердить", alarm: "Тревога КСВ", bands: "Антенна по диапазонам",
    bn: "Перед.", bbase: "КСВ обычно", blast: "Послед.", btrend: "Тренд", sensorn: "датчик", antenna: "ант.", mhz: "МГц",
    qsos: "QSO за сегодня", qcall: "Позывной", qmode: "Режим", qnone: "Сегодня QSO не было.",
    adif: "Скачать ADIF за сегодня",
    alarms: "Тревоги КСВ", limit: "Порог КСВ", acsv: "CSV показаний", acked: "подтверждена",
    halted: "остановка", noack: "не подтверждена",
  },
  en: {
    values: "Readings", power: "Power", swr: "SWR", forward: "Forward", reflected: "Reflected",
    sensor: "Active sensor", pep: "Peak power (2 s)", nodata: "No data: no readings are coming in",
    last: "Last reading:", powerw: "Power, W", settings: "Settings",
    select: "Sensor", maxpower: "Maximum power", maxswr: "Maximum SWR", blocking: "Blocking",
    on: "On", off: "Off", set: "Set", s: "Sensor", on1: "connected", off1: "Device not connected",
    sent: "Sent:", locked: "Settings need the link with the access token that swrctl serve prints.",
    ro: "The server is read-only (--read-only).", watt: "W", fail: "Failed:", net: "the server cannot be reached",
    c600: "Last 10 minutes", c3600: "Last hour", c86400: "Last 24 hours", c604800: "Last 7 days",
    r600: "10 min", r3600: "1 h", r86400: "24 h", r604800: "7 days", log: "Transmission log", today: "Today:",
    tx: ["transmission", "transmissions"], onair: "on the air",
    ttime: "Time", tdur: "Length", tsensor: "Sensor", tband: "Band",
    tpeak: "Peak W", tavg: "Avg W", tswr: "Max SWR", none: "No transmissions today.",
    logoff: "The log is off: this server does not record transmissions (no log, or --no-log).",
    csv: "Download today's CSV", more: "Show more",
    cut: "* cut short: the controller went away or the readings stopped",
    paused: "Recording of the log is paused.", lost: "Not written to the log:", sec: "s", min: "min", hour: "h",
    ack: "Acknowledge", alarm: "SWR alarm", bands: "Antenna by band",
    bn: "Tx", bbase: "Baseline SWR", blast: "Latest", btrend: "Trend", sensorn: "sensor", antenna: "ant.", mhz: "MHz",
    qsos: "Today's QSOs", qcall: "Call", qmode: "Mode", qnone: "No QSOs today.",
    adif: "Download today's ADIF",
    alarms: "SWR alarms", limit: "SWR limit", acsv: "Readings CSV", acked: "acknowledged",
    halted: "halt", noack: "not acknowledged",
  },
};

// Russian unless the browser prefers English before Russian.
function pickLanguage() {
  for (const language of navigator.languages || [navigator.language || "ru"]) {
    const lower = language.toLowerCase();
    if (lower.startsWith("ru")) return "ru";
    if (lower.startsWith("en")) return "en";
  }
  return "ru";
}

const lang = pickLanguage();
const t = TEXTS[lang];
const $ = (id) => document.getElementById(id);
