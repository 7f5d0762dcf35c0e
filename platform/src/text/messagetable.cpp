#include "text/messagetable.h"

#include <algorithm>
#include <iterator>

namespace platform {

namespace {

// Sorted by code (as an unsigned value). To add a code: put its line in order; the
// compiler refuses an unsorted table. Texts may hold insert sequences (%1, %2, ...) as
// FormatMessageW defines them.
constexpr SystemMessage messages[] = {
    {ERROR_SUCCESS, L"The operation succeeded.\r\n", L"Операция выполнена успешно.\r\n"},
    {ERROR_INVALID_FUNCTION, L"The function is not valid for this object.\r\n",
     L"Функция неприменима к этому объекту.\r\n"},
    {ERROR_FILE_NOT_FOUND, L"The file could not be found.\r\n", L"Файл не найден.\r\n"},
    {ERROR_PATH_NOT_FOUND, L"The path could not be found.\r\n", L"Путь не найден.\r\n"},
    {ERROR_TOO_MANY_OPEN_FILES, L"Too many files are open.\r\n", L"Открыто слишком много файлов.\r\n"},
    {ERROR_ACCESS_DENIED, L"Access was denied.\r\n", L"Доступ запрещён.\r\n"},
    {ERROR_INVALID_HANDLE, L"The handle is not valid.\r\n", L"Недопустимый дескриптор.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, L"There is not enough memory to carry out the command.\r\n",
     L"Недостаточно памяти для выполнения команды.\r\n"},
    {ERROR_INVALID_DATA, L"The data is not valid.\r\n", L"Недопустимые данные.\r\n"},
    {ERROR_OUTOFMEMORY, L"There is not enough memory to complete the operation.\r\n",
     L"Недостаточно памяти для завершения операции.\r\n"},
    {ERROR_NOT_SAME_DEVICE, L"The system cannot move the file to a different disk drive.\r\n",
     L"Система не может переместить файл на другой диск.\r\n"},
    {ERROR_WRITE_FAULT, L"The device could not be written to.\r\n",
     L"Не удалось выполнить запись на устройство.\r\n"},
    {ERROR_READ_FAULT, L"The device could not be read from.\r\n",
     L"Не удалось прочитать данные с устройства.\r\n"},
    {ERROR_GEN_FAILURE, L"A device connected to the system is not working.\r\n",
     L"Устройство, подключённое к системе, не работает.\r\n"},
    {ERROR_SHARING_VIOLATION, L"The file is in use by another process and cannot be accessed.\r\n",
     L"Файл занят другим процессом, доступ к нему невозможен.\r\n"},
    {ERROR_LOCK_VIOLATION, L"Part of the file is locked by another process.\r\n",
     L"Часть файла заблокирована другим процессом.\r\n"},
    {ERROR_HANDLE_EOF, L"The end of the file was reached.\r\n", L"Достигнут конец файла.\r\n"},
    {ERROR_HANDLE_DISK_FULL, L"The disk is full.\r\n", L"Диск заполнен.\r\n"},
    {ERROR_NOT_SUPPORTED, L"This request is not supported.\r\n", L"Запрос не поддерживается.\r\n"},
    {ERROR_FILE_EXISTS, L"The file already exists.\r\n", L"Файл уже существует.\r\n"},
    {ERROR_INVALID_PASSWORD, L"The password is not correct.\r\n", L"Неверный пароль.\r\n"},
    {ERROR_INVALID_PARAMETER, L"A parameter is not valid.\r\n", L"Недопустимый параметр.\r\n"},
    {ERROR_BUFFER_OVERFLOW, L"The file name is too long.\r\n", L"Слишком длинное имя файла.\r\n"},
    {ERROR_DISK_FULL, L"There is not enough space on the disk.\r\n",
     L"На диске недостаточно места.\r\n"},
    {ERROR_CALL_NOT_IMPLEMENTED, L"This function is not available on this system.\r\n",
     L"Эта функция недоступна в данной системе.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, L"The buffer passed to the function is too small.\r\n",
     L"Переданный функции буфер слишком мал.\r\n"},
    {ERROR_INVALID_NAME, L"The syntax of the file name, folder name or volume label is not valid.\r\n",
     L"Недопустимый синтаксис имени файла, папки или метки тома.\r\n"},
    {ERROR_MOD_NOT_FOUND, L"The module could not be found.\r\n", L"Модуль не найден.\r\n"},
    {ERROR_PROC_NOT_FOUND, L"The procedure could not be found in the module.\r\n",
     L"Процедура не найдена в модуле.\r\n"},
    {ERROR_ALREADY_EXISTS, L"The file cannot be created because it already exists.\r\n",
     L"Невозможно создать файл, так как он уже существует.\r\n"},
    {ERROR_FILENAME_EXCED_RANGE, L"The file name or its extension is too long.\r\n",
     L"Имя файла или его расширение слишком длинное.\r\n"},
    {ERROR_FILE_TOO_LARGE, L"The file size exceeds the limit allowed and cannot be saved.\r\n",
     L"Размер файла превышает допустимый предел, и он не может быть сохранён.\r\n"},
    {ERROR_MORE_DATA, L"More data is available than the buffer holds.\r\n",
     L"Имеются данные, не поместившиеся в буфер.\r\n"},
    {ERROR_NO_MORE_ITEMS, L"There are no more items.\r\n", L"Больше элементов нет.\r\n"},
    {ERROR_MR_MID_NOT_FOUND, L"No text exists for message number 0x%1 in the message file for %2.\r\n",
     L"Текст сообщения с номером 0x%1 отсутствует в файле сообщений для %2.\r\n"},
    {ERROR_INVALID_FLAGS, L"The flags are not valid.\r\n", L"Недопустимые флаги.\r\n"},
    {ERROR_NO_UNICODE_TRANSLATION, L"A character has no Unicode mapping in the given code page.\r\n",
     L"Для символа нет соответствия Юникоду в заданной кодовой странице.\r\n"},
    {ERROR_UNABLE_TO_REMOVE_REPLACED, L"The file to be replaced could not be removed.\r\n",
     L"Не удалось удалить заменяемый файл.\r\n"},
    {ERROR_UNABLE_TO_MOVE_REPLACEMENT,
     L"The new file could not be moved into the place of the file it replaces; that file keeps its name.\r\n",
     L"Не удалось поставить новый файл на место заменяемого; заменяемый файл сохранил своё имя.\r\n"},
    {ERROR_UNABLE_TO_MOVE_REPLACEMENT_2,
     L"The new file could not be moved into the place of the file it replaces; that file now has the backup name.\r\n",
     L"Не удалось поставить новый файл на место заменяемого; заменяемый файл переименован в резервную копию.\r\n"},
    {ERROR_FILE_CORRUPT, L"The file is damaged and cannot be read.\r\n",
     L"Файл повреждён и не может быть прочитан.\r\n"},
    {ERROR_RESOURCE_LANG_NOT_FOUND, L"No resource exists in the requested language.\r\n",
     L"Ресурс на запрошенном языке отсутствует.\r\n"},
    {ERROR_CANT_RESOLVE_FILENAME, L"The file name cannot be resolved: its symbolic links go round.\r\n",
     L"Не удаётся разрешить имя файла: его символические ссылки зациклены.\r\n"},

    // E_OUTOFMEMORY and E_INVALIDARG wrap Win32 codes and share their texts.
    {static_cast<DWORD>(E_NOTIMPL), L"The operation is not implemented.\r\n",
     L"Операция не реализована.\r\n"},
    {static_cast<DWORD>(E_FAIL), L"An unspecified error occurred.\r\n", L"Неопределённая ошибка.\r\n"},

    {static_cast<DWORD>(NTE_BAD_UID), L"The provider context is not valid.\r\n",
     L"Недопустимый контекст криптопровайдера.\r\n"},
    {static_cast<DWORD>(NTE_BAD_HASH), L"The hash object is not valid.\r\n",
     L"Недопустимый объект хеширования.\r\n"},
    {static_cast<DWORD>(NTE_BAD_KEY), L"The key is not valid.\r\n", L"Недопустимый ключ.\r\n"},
    {static_cast<DWORD>(NTE_BAD_LEN), L"The length is not valid.\r\n", L"Недопустимая длина.\r\n"},
    {static_cast<DWORD>(NTE_BAD_DATA), L"The cryptographic data is not valid.\r\n",
     L"Недопустимые криптографические данные.\r\n"},
    {static_cast<DWORD>(NTE_BAD_SIGNATURE), L"The signature is not valid.\r\n", L"Подпись неверна.\r\n"},
    {static_cast<DWORD>(NTE_BAD_VER), L"The provider version is wrong.\r\n",
     L"Неверная версия криптопровайдера.\r\n"},
    {static_cast<DWORD>(NTE_BAD_ALGID), L"The algorithm is not valid for this operation.\r\n",
     L"Алгоритм недопустим для этой операции.\r\n"},
    {static_cast<DWORD>(NTE_BAD_FLAGS), L"The flags passed to the provider are not valid.\r\n",
     L"Переданные криптопровайдеру флаги недопустимы.\r\n"},
    {static_cast<DWORD>(NTE_BAD_TYPE), L"The type is not valid.\r\n", L"Недопустимый тип.\r\n"},
    {static_cast<DWORD>(NTE_BAD_KEY_STATE), L"The key cannot be used in its current state.\r\n",
     L"Ключ нельзя использовать в его текущем состоянии.\r\n"},
    {static_cast<DWORD>(NTE_BAD_HASH_STATE), L"The hash object cannot be used in its current state.\r\n",
     L"Объект хеширования нельзя использовать в его текущем состоянии.\r\n"},
    {static_cast<DWORD>(NTE_NO_KEY), L"The requested key does not exist.\r\n",
     L"Запрошенный ключ не существует.\r\n"},
    {static_cast<DWORD>(NTE_NO_MEMORY), L"The provider ran out of memory.\r\n",
     L"Криптопровайдеру не хватило памяти.\r\n"},
    {static_cast<DWORD>(NTE_EXISTS), L"The object already exists.\r\n", L"Объект уже существует.\r\n"},
    {static_cast<DWORD>(NTE_PERM), L"Access to the key was denied.\r\n", L"Доступ к ключу запрещён.\r\n"},
    {static_cast<DWORD>(NTE_NOT_FOUND), L"The object could not be found.\r\n", L"Объект не найден.\r\n"},
    {static_cast<DWORD>(NTE_DOUBLE_ENCRYPT), L"The data is already encrypted.\r\n",
     L"Данные уже зашифрованы.\r\n"},
    {static_cast<DWORD>(NTE_BAD_PROVIDER), L"The provider is not valid.\r\n",
     L"Недопустимый криптопровайдер.\r\n"},
    {static_cast<DWORD>(NTE_BAD_PROV_TYPE), L"The provider type is not valid.\r\n",
     L"Недопустимый тип криптопровайдера.\r\n"},
    {static_cast<DWORD>(NTE_BAD_PUBLIC_KEY), L"The provider's public key is not valid.\r\n",
     L"Недопустимый открытый ключ криптопровайдера.\r\n"},
    {static_cast<DWORD>(NTE_BAD_KEYSET), L"The key container does not exist.\r\n",
     L"Ключевой контейнер не существует.\r\n"},
    {static_cast<DWORD>(NTE_PROV_TYPE_NOT_DEF), L"The provider type is not defined.\r\n",
     L"Тип криптопровайдера не определён.\r\n"},
    {static_cast<DWORD>(NTE_PROV_TYPE_ENTRY_BAD), L"The registered provider type is not valid.\r\n",
     L"Зарегистрированный тип криптопровайдера недопустим.\r\n"},
    {static_cast<DWORD>(NTE_KEYSET_NOT_DEF), L"The key container is not defined.\r\n",
     L"Ключевой контейнер не определён.\r\n"},
    {static_cast<DWORD>(NTE_KEYSET_ENTRY_BAD), L"The registered key container is not valid.\r\n",
     L"Зарегистрированный ключевой контейнер недопустим.\r\n"},
    {static_cast<DWORD>(NTE_PROV_TYPE_NO_MATCH), L"The provider type does not match the registered one.\r\n",
     L"Тип криптопровайдера не совпадает с зарегистрированным.\r\n"},
    {static_cast<DWORD>(NTE_SIGNATURE_FILE_BAD), L"The provider's signature file is damaged.\r\n",
     L"Файл подписи криптопровайдера повреждён.\r\n"},
    {static_cast<DWORD>(NTE_PROVIDER_DLL_FAIL), L"The provider's library could not be loaded or started.\r\n",
     L"Не удалось загрузить или инициализировать библиотеку криптопровайдера.\r\n"},
    {static_cast<DWORD>(NTE_PROV_DLL_NOT_FOUND), L"The provider's library could not be found.\r\n",
     L"Библиотека криптопровайдера не найдена.\r\n"},
    {static_cast<DWORD>(NTE_BAD_KEYSET_PARAM), L"A key container parameter is not valid.\r\n",
     L"Недопустимый параметр ключевого контейнера.\r\n"},
    {static_cast<DWORD>(NTE_FAIL), L"An internal error occurred in the provider.\r\n",
     L"Внутренняя ошибка криптопровайдера.\r\n"},
    {static_cast<DWORD>(NTE_SYS_ERR), L"A system error occurred in the provider.\r\n",
     L"Системная ошибка криптопровайдера.\r\n"},

    {static_cast<DWORD>(CRYPT_E_MSG_ERROR), L"An error occurred while processing the cryptographic message.\r\n",
     L"Ошибка при обработке криптографического сообщения.\r\n"},
    {static_cast<DWORD>(CRYPT_E_UNKNOWN_ALGO), L"The cryptographic algorithm is unknown.\r\n",
     L"Неизвестный криптографический алгоритм.\r\n"},
    {static_cast<DWORD>(CRYPT_E_OID_FORMAT), L"The object identifier is badly formatted.\r\n",
     L"Неверный формат идентификатора объекта.\r\n"},
    {static_cast<DWORD>(CRYPT_E_BAD_LEN), L"The output area is too small for the data.\r\n",
     L"Область вывода слишком мала для данных.\r\n"},
    {static_cast<DWORD>(CRYPT_E_BAD_ENCODE), L"An error occurred while encoding or decoding.\r\n",
     L"Ошибка при кодировании или декодировании.\r\n"},
    {static_cast<DWORD>(CRYPT_E_FILE_ERROR), L"An error occurred while reading or writing a file.\r\n",
     L"Ошибка при чтении или записи файла.\r\n"},
    {static_cast<DWORD>(CRYPT_E_NOT_FOUND), L"The object or property could not be found.\r\n",
     L"Объект или свойство не найдены.\r\n"},
    {static_cast<DWORD>(CRYPT_E_EXISTS), L"The object or property already exists.\r\n",
     L"Объект или свойство уже существуют.\r\n"},
    {static_cast<DWORD>(CRYPT_E_NO_PROVIDER), L"No provider was given for the store or object.\r\n",
     L"Для хранилища или объекта не указан криптопровайдер.\r\n"},
    {static_cast<DWORD>(CRYPT_E_SELF_SIGNED), L"The certificate is self-signed.\r\n",
     L"Сертификат является самоподписанным.\r\n"},
    {static_cast<DWORD>(CRYPT_E_DELETED_PREV), L"The previous certificate or CRL context was deleted.\r\n",
     L"Предыдущий контекст сертификата или списка отзыва был удалён.\r\n"},
    {static_cast<DWORD>(CRYPT_E_NO_MATCH), L"The search found no match.\r\n",
     L"Поиск не дал совпадений.\r\n"},
    {static_cast<DWORD>(CRYPT_E_UNEXPECTED_MSG_TYPE), L"The cryptographic message is not of the expected type.\r\n",
     L"Криптографическое сообщение имеет неожиданный тип.\r\n"},
    {static_cast<DWORD>(CRYPT_E_NO_KEY_PROPERTY), L"The certificate has no private key property.\r\n",
     L"У сертификата нет свойства закрытого ключа.\r\n"},
    {static_cast<DWORD>(CRYPT_E_PENDING_CLOSE),
     L"The store will be closed once every context taken from it has been freed.\r\n",
     L"Хранилище будет закрыто после освобождения всех полученных из него контекстов.\r\n"},
    {static_cast<DWORD>(CRYPT_E_ASN1_ERROR), L"An ASN.1 error occurred.\r\n", L"Ошибка ASN.1.\r\n"},
    {static_cast<DWORD>(CRYPT_E_ASN1_INTERNAL), L"An internal ASN.1 error occurred.\r\n",
     L"Внутренняя ошибка ASN.1.\r\n"},
    {static_cast<DWORD>(CRYPT_E_ASN1_EOD), L"The ASN.1 data ended unexpectedly.\r\n",
     L"Неожиданный конец данных ASN.1.\r\n"},
    {static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT), L"The ASN.1 data is corrupted.\r\n",
     L"Данные ASN.1 повреждены.\r\n"},
    {static_cast<DWORD>(CRYPT_E_ASN1_LARGE), L"An ASN.1 value is too large.\r\n",
     L"Значение ASN.1 слишком велико.\r\n"},
    {static_cast<DWORD>(CRYPT_E_ASN1_MEMORY), L"There is not enough memory to process the ASN.1 data.\r\n",
     L"Недостаточно памяти для обработки данных ASN.1.\r\n"},
    {static_cast<DWORD>(CRYPT_E_ASN1_BADTAG), L"An ASN.1 tag is not valid.\r\n",
     L"Недопустимый тег ASN.1.\r\n"},
    {static_cast<DWORD>(SCARD_E_NO_SUCH_CERTIFICATE), L"The requested certificate does not exist.\r\n",
     L"Запрошенный сертификат не существует.\r\n"},
};

constexpr bool sortedByCode()
{
    for (std::size_t i = 1; i < std::size(messages); ++i)
        if (messages[i - 1].code >= messages[i].code)
            return false;
    return true;
}
static_assert(sortedByCode(), "the message table must be sorted by code, each code once");

const SystemMessage *lookup(DWORD code)
{
    const auto found = std::lower_bound(std::begin(messages), std::end(messages), code,
                                        [](const SystemMessage &m, DWORD c) { return m.code < c; });
    return found != std::end(messages) && found->code == code ? found : nullptr;
}

constexpr DWORD facilityWin32Mask = 0xFFFF0000;
constexpr DWORD facilityWin32Failure = 0x80070000;

} // namespace

const SystemMessage *findSystemMessage(DWORD code)
{
    if (const SystemMessage *found = lookup(code))
        return found;
    if ((code & facilityWin32Mask) == facilityWin32Failure)
        return lookup(code & ~facilityWin32Mask);
    return nullptr;
}

} // namespace platform
